// Guards the chrome's own arithmetic: where its bitmaps are tiled, the title blend and its
// weight, the status text, and the title line's zones when a bitmap is missing.
#include <gtest/gtest.h>

#include <climits>

#include "ChromeBlits.h"
#include "Chrome.h"

using namespace viewer;

using viewertest::Of;

namespace {

enum { LeftB, RightB, ZFon, ZLeft, ZRight, SsFon, SsLeft, SsRight };

ChromeSizes Sizes() {
    ChromeSizes s;
    s[LeftB] = {4, 10};
    s[RightB] = {4, 10};
    s[ZFon] = {10, 24};
    s[ZLeft] = {6, 24};
    s[ZRight] = {6, 24};
    s[SsFon] = {10, 20};
    s[SsLeft] = {6, 20};
    s[SsRight] = {6, 20};
    return s;
}

}  // namespace

TEST(Chrome, TilesCoverTheWindowInDrawingOrder) {
    const auto tiles = ChromeTiles({35, 25}, Sizes());
    EXPECT_EQ(Of(tiles, LeftB), (std::vector<ChromeBlit>{{LeftB, 0, 0}, {LeftB, 0, 10}, {LeftB, 0, 20}}));
    EXPECT_EQ(Of(tiles, RightB), (std::vector<ChromeBlit>{{RightB, 31, 0}, {RightB, 31, 10}, {RightB, 31, 20}}));
    EXPECT_EQ(Of(tiles, ZFon).size(), 4u);  // x = 0, 10, 20, 30
    EXPECT_EQ(Of(tiles, ZRight), (std::vector<ChromeBlit>{{ZRight, 29, 0}}));
    EXPECT_EQ(Of(tiles, SsFon).front(), (ChromeBlit{SsFon, 0, 5}));
    EXPECT_EQ(Of(tiles, SsRight), (std::vector<ChromeBlit>{{SsRight, 29, 5}}));
    // Borders first, the status strip's right end last, as they overlap.
    EXPECT_EQ(tiles.front().bitmap, LeftB);
    EXPECT_EQ(tiles.back().bitmap, SsRight);
}

TEST(Chrome, NarrowWindowsAndEmptyBitmapsStillPaint) {
    // Narrower than both title ends: they overlap.
    const auto narrow = ChromeTiles({8, 30}, Sizes());
    EXPECT_EQ(Of(narrow, ZLeft).front().x, 0);
    EXPECT_EQ(Of(narrow, ZRight).front().x, 2);
    // A bitmap without width or height is not tiled (it would never advance).
    ChromeSizes empty = Sizes();
    empty[ZFon] = {0, 24};
    empty[LeftB] = {4, 0};
    const auto tiles = ChromeTiles({100, 100}, empty);
    EXPECT_TRUE(Of(tiles, ZFon).empty());
    EXPECT_TRUE(Of(tiles, LeftB).empty());
}

TEST(Chrome, BlendWeightIsBoundedToAPercentage) {
    struct Case {
        int32_t option, skin;
        int want;
    };
    const Case cases[] = {{55, 10, 65}, {90, 10, 100},           {99, 5, 100},         {0, 0, 0}, {-50, 10, 0},
                          {20, -30, 0}, {INT_MAX, INT_MAX, 100}, {INT_MIN, INT_MIN, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.option << " + " << c.skin);
        EXPECT_EQ(TitleBlendPercent(c.option, c.skin), c.want);
    }
}

TEST(Chrome, BlendFollowsTheFormulaAndStaysInAByte) {
    const std::vector<uint8_t> title = {0, 1, 99, 100, 128, 200, 254, 255};
    const std::vector<uint8_t> behind = {255, 254, 0, 17, 128, 3, 0, 255};
    for (int p : {0, 1, 33, 50, 65, 99, 100, -20, 150}) {
        SCOPED_TRACE(p);
        std::vector<uint8_t> mixed = title;
        BlendTitle(mixed, behind, p);
        const int w = std::clamp(p, 0, 100);
        for (size_t i = 0; i < title.size(); ++i)
            EXPECT_EQ(mixed[i], (title[i] * w + behind[i] * (100 - w)) / 100) << i;
    }
    std::vector<uint8_t> skinOnly = title, screenOnly = title;
    BlendTitle(skinOnly, behind, 100);
    BlendTitle(screenOnly, behind, 0);
    EXPECT_EQ(skinOnly, title);
    EXPECT_EQ(screenOnly, behind);
    // Bytes without a partner behind them stay as they are.
    std::vector<uint8_t> longer = {10, 20, 30};
    BlendTitle(longer, std::vector<uint8_t>{110}, 50);
    EXPECT_EQ(longer, (std::vector<uint8_t>{60, 20, 30}));
}

TEST(Chrome, StatusTextOfTheBaseDate) {
    EXPECT_EQ(BaseStatusText("02", "August", "2018"), "Last update base: 02 August 2018 year");
    EXPECT_EQ(BaseStatusText("", "", ""), "Last update base:    year");
    // A notice not yet seen stands in for the date, which comes back once it is gone.
    EXPECT_EQ(StatusLineText("Undone.", "02", "August", "2018"), "Undone.");
    EXPECT_EQ(StatusLineText("", "02", "August", "2018"), "Last update base: 02 August 2018 year");
}

TEST(Chrome, TitleZonesAndAMissingCloseButton) {
    TitleZones z{{500, 400}, 26, {18, 16}};
    EXPECT_TRUE(InCloseButton(z, 480, 10));
    EXPECT_FALSE(InCloseButton(z, 477, 10));  // the button's left edge
    EXPECT_FALSE(InCloseButton(z, 495, 10));  // the 5 px right of it
    EXPECT_FALSE(InCloseButton(z, 480, 26));
    EXPECT_TRUE(InMoveStrip(z, 200, 5));
    EXPECT_FALSE(InMoveStrip(z, 480, 5));
    EXPECT_FALSE(InMoveStrip(z, 497, 5));  // between the button and the right edge: nothing
    EXPECT_FALSE(InCloseButton(z, 497, 5));
    EXPECT_FALSE(InMoveStrip(z, 200, 30));

    // A skin without the button's bitmap: no point is on the button.
    z.closeButton = {};
    for (int x = 480; x < 500; ++x) EXPECT_FALSE(InCloseButton(z, x, 10)) << x;
    EXPECT_FALSE(InButton({10, 10}, {}, 10, 10));
    EXPECT_TRUE(InButton({10, 10}, {18, 16}, 11, 11));
    EXPECT_FALSE(InButton({10, 10}, {18, 16}, 28, 11));
}
