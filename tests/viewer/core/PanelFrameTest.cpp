// Guards what both painted panels share: the frame's tiles with the top-right corner a pixel
// in and the optional bottom-right corner inside the edges, the band of the title line that is
// blended (all of a low title line, only the side columns of a high one), the blend weight
// bounded so a sum above 100 shows the frame alone, and the colours with their defaults.
#include <gtest/gtest.h>

#include "ChromeBlits.h"
#include "PanelFrame.h"
#include "TempDir.h"

using namespace viewer;

using viewertest::Of;

namespace {

enum { Fon, D, L, R, Tl, Tr, Dr };

}  // namespace

TEST(PanelFrame, TilesAndCorners) {
    PanelFrameSizes s;
    s.fill({8, 8});
    s[Dr] = {5, 4};
    const auto tiles = PanelFrameTiles({20, 18}, s);
    EXPECT_EQ(Of(tiles, Fon), (std::vector<ChromeBlit>{{Fon, 0, 0}, {Fon, 8, 0}, {Fon, 16, 0}}));
    EXPECT_EQ(Of(tiles, D).front(), (ChromeBlit{D, 0, 10}));
    EXPECT_EQ(Of(tiles, L), (std::vector<ChromeBlit>{{L, 0, 0}, {L, 0, 8}, {L, 0, 16}}));
    EXPECT_EQ(Of(tiles, R).front(), (ChromeBlit{R, 12, 0}));
    EXPECT_EQ(Of(tiles, Tr), (std::vector<ChromeBlit>{{Tr, 11, 0}}));
    EXPECT_EQ(Of(tiles, Dr), (std::vector<ChromeBlit>{{Dr, 20 - 5 - 8, 18 - 4 - 8}}));
    EXPECT_EQ(tiles.back().bitmap, Dr);

    s[Dr] = {};  // the skin has no bottom-right corner
    EXPECT_TRUE(Of(PanelFrameTiles({20, 18}, s), Dr).empty());
}

TEST(PanelFrame, BorderBand) {
    const Size panel{100, 100};
    struct Case {
        int x, y;
        bool in;
    };
    const Case cases[] = {{50, 0, true},  {50, 29, true},  {50, 30, false}, {14, 30, true}, {15, 30, false},
                          {85, 50, false}, {86, 50, true}, {50, 75, false}, {50, 76, true}, {50, 99, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
        EXPECT_EQ(InPanelBorderBand(c.x, c.y, panel), c.in);
    }
}

TEST(PanelFrame, TitleRowsBlendInTheBandOnly) {
    const Size panel{40, 200};
    const auto row = [](uint8_t v) { return std::vector<uint8_t>(40 * 3, v); };
    const std::vector<uint8_t> behind = row(0);
    // A row of the top band: every pixel, 60 % frame.
    std::vector<uint8_t> top = row(200);
    BlendPanelTitleRow(top, behind, 10, panel, 60);
    EXPECT_EQ(top, row(120));
    // A row below it (a title line higher than 30 rows): only the 15 columns each side.
    std::vector<uint8_t> mid = row(200);
    BlendPanelTitleRow(mid, behind, 40, panel, 60);
    for (int x = 0; x < 40; ++x) {
        SCOPED_TRACE(x);
        EXPECT_EQ(mid[static_cast<size_t>(x) * 3], (x < 15 || x > 25) ? 120 : 200);
    }
    // The weight is the option's and the skin's sum within 0..100: 120 shows the frame alone.
    std::vector<uint8_t> over = row(200);
    BlendPanelTitleRow(over, behind, 0, panel, TitleBlendPercent(100, 20));
    EXPECT_EQ(over, row(200));
    std::vector<uint8_t> under = row(200);
    BlendPanelTitleRow(under, behind, 0, panel, TitleBlendPercent(-50, 10));
    EXPECT_EQ(under, row(0));
}

TEST(PanelFrame, ColoursAndTheirDefaults) {
    testsupport::TempDir dir;
    testsupport::WriteFile(dir / "color.ini",
                           "[Dialog]\r\nFon=255\r\nTextColor=x\r\n[window]\r\ncolorfon=65280\r\n[Message]\r\nColortextZ=16711680\r\n"
                           "[Editor]\r\nColorFon=65535\r\n");
    const PanelColours c = ReadPanelColours(platform::IniFile(dir / "color.ini"));
    EXPECT_EQ(c.dialogFon, (Rgb{255, 0, 0}));
    EXPECT_EQ(c.windowFon, (Rgb{0, 255, 0}));
    EXPECT_EQ(c.titleText, (Rgb{0, 0, 255}));
    EXPECT_EQ(c.dialogText, (Rgb{188, 188, 188})) << "a value that is no number takes the default";
    EXPECT_EQ(c.editorFon, (Rgb{255, 255, 0}));
    EXPECT_EQ(c.editorText, (Rgb{188, 188, 188}));
    const PanelColours none = ReadPanelColours(platform::IniFile(dir / "none.ini"));
    EXPECT_EQ(none.dialogFon, (Rgb{216, 216, 216}));
    EXPECT_EQ(none.titleText, (Rgb{216, 216, 216}));
    EXPECT_EQ(none.selectedMenu, (Rgb{188, 188, 188}));
}
