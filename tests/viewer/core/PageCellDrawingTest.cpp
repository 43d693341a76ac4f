// Guards what a page cell's attribute codes draw: every code table (colours, styles, fonts,
// sizes, alignment, borders as exact pixels), the order of the drawing steps, and that a
// picture or link argument never leads out of the help folder.
#include <gtest/gtest.h>

#include <set>

#include "HelpFolder.h"
#include "PageCellDrawing.h"

using namespace viewer;

namespace {

const CellBox kBox{10, 20, 30, 15};  // L 10, T 20, W 30, H 15: right edge 40, bottom 35
const CellCommand kNone;

std::vector<CellDrawOp> Ops(std::string_view a) { return PlanCellDrawing(a, kNone, kBox).ops; }

// Every pixel a border covers.
std::set<std::pair<int, int>> Pixels(const std::vector<PixelRect>& rects) {
    std::set<std::pair<int, int>> out;
    for (const PixelRect& r : rects)
        for (int x = r.x; x < r.x + r.width; ++x)
            for (int y = r.y; y < r.y + r.height; ++y) out.insert({x, y});
    return out;
}
std::set<std::pair<int, int>> Row(int y, int x1, int x2) {  // x1 .. x2 inclusive
    std::set<std::pair<int, int>> out;
    for (int x = x1; x <= x2; ++x) out.insert({x, y});
    return out;
}
std::set<std::pair<int, int>> Col(int x, int y1, int y2) {
    std::set<std::pair<int, int>> out;
    for (int y = y1; y <= y2; ++y) out.insert({x, y});
    return out;
}
std::set<std::pair<int, int>> Join(std::initializer_list<std::set<std::pair<int, int>>> parts) {
    std::set<std::pair<int, int>> out;
    for (const auto& p : parts) out.insert(p.begin(), p.end());
    return out;
}

}  // namespace

TEST(PageCellCodes, Colours) {
    const struct {
        const char* code;
        Rgb font, ground;
    } cases[] = {
        {"AA", {0, 0, 0}, {255, 255, 255}},       {"AB", {255, 255, 255}, {0, 0, 0}},
        {"AC", {255, 0, 0}, {255, 0, 0}},         {"AD", {0, 128, 0}, {0, 128, 0}},
        {"AE", {0, 255, 0}, {0, 255, 0}},         {"AF", {0, 0, 255}, {0, 0, 255}},
        {"AG", {128, 0, 0}, {128, 0, 0}},         {"AH", {128, 128, 0}, {128, 128, 0}},
        {"AI", {0, 0, 128}, {0, 0, 128}},         {"AJ", {128, 0, 128}, {128, 0, 128}},
        {"AK", {0, 128, 128}, {0, 128, 128}},     {"AL", {128, 128, 128}, {128, 128, 128}},
        {"AM", {192, 192, 192}, {192, 192, 192}}, {"AN", {255, 255, 0}, {255, 255, 0}},
        {"AO", {255, 0, 255}, {255, 0, 255}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(FontColourCode(c.code), c.font);
        EXPECT_EQ(BackgroundColourCode(c.code), c.ground);
    }
    for (const char* none : {"AP", "aa", "A", "", "  ", "BA"}) {
        EXPECT_FALSE(FontColourCode(none)) << none;
        EXPECT_FALSE(BackgroundColourCode(none)) << none;
    }
}

TEST(PageCellCodes, StylesFontsSizesAlignment) {
    EXPECT_EQ(FontStyleCode("AA"), (FontStyleChange{false, kBold}));
    EXPECT_EQ(FontStyleCode("AB"), (FontStyleChange{true, 0}));
    EXPECT_EQ(FontStyleCode("AF"), (FontStyleChange{false, kBold | kItalic}));
    EXPECT_EQ(FontStyleCode("AK"), (FontStyleChange{false, kUnderline | kStrikeOut}));
    EXPECT_EQ(FontStyleCode("AM"), (FontStyleChange{false, kBold | kItalic | kStrikeOut}));
    EXPECT_FALSE(FontStyleCode("AN"));

    EXPECT_EQ(FontNameCode("AA"), "Arial");
    EXPECT_EQ(FontNameCode("AB"), "MS Sans Serief");
    EXPECT_EQ(FontNameCode("AC"), "B52");
    EXPECT_EQ(FontNameCode("AD"), "Times New Roman");
    EXPECT_EQ(FontNameCode("AE"), "Courier");
    EXPECT_FALSE(FontNameCode("AF"));

    const struct {
        const char* code;
        std::optional<int> points;
    } sizes[] = {{"AA", 3},  {"AB", 4},  {"AG", 14}, {"AH", 16}, {"AI", std::nullopt}, {"AJ", 18},
                 {"AS", 36}, {"AU", 38}, {"AW", 42}, {"AT", 44}, {"AX", 46},           {"  ", std::nullopt},
                 {"AY", std::nullopt}};
    for (const auto& s : sizes) EXPECT_EQ(FontSizeCode(s.code), s.points) << s.code;

    EXPECT_EQ(AlignmentCode("AA"), TextAlign::Left);
    EXPECT_EQ(AlignmentCode("AB"), TextAlign::Centre);
    EXPECT_EQ(AlignmentCode("AC"), TextAlign::Right);
    EXPECT_FALSE(AlignmentCode("AD"));
}

TEST(PageCellCodes, BordersCoverTheseExactPixels) {
    // L 10, T 20, R = L + W = 40, B = T + H = 35. One-pixel lines leave out their end point;
    // two-pixel lines grow up or left and cover both ends.
    using P = std::set<std::pair<int, int>>;
    const struct {
        const char* code;
        P pixels;
    } cases[] = {
        {"AB", Row(35, 10, 39)},
        {"AG", Join({Row(34, 10, 40), Row(35, 10, 40)})},
        {"AC", Row(20, 10, 39)},
        {"AH", Join({Row(20, 10, 40), Row(21, 10, 40)})},
        {"AD", Col(10, 20, 34)},
        {"AI", Join({Col(10, 20, 35), Col(11, 20, 35)})},
        {"AE", Col(40, 20, 34)},
        {"AJ", Join({Col(39, 20, 35), Col(40, 20, 35)})},
        {"AF", Join({Row(20, 10, 40), Row(35, 10, 40), Col(10, 20, 35), Col(40, 20, 35)})},
        {"AL", Join({Col(10, 20, 34), Row(20, 10, 39), Row(35, 10, 39)})},
        {"AM", Join({Col(40, 20, 34), Row(20, 10, 39), Row(35, 10, 39)})},
        {"AN", Join({Row(20, 10, 39), Row(35, 10, 39)})},
        {"AQ", Join({Row(20, 10, 40), Row(21, 10, 40), Row(34, 10, 40), Row(35, 10, 40)})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        const auto rects = BorderCode(c.code, kBox);
        ASSERT_TRUE(rects);
        EXPECT_EQ(Pixels(*rects), c.pixels);
    }
    // The two-pixel box: its outline is two pixels thick all round and closed.
    const P box2 = Pixels(*BorderCode("AK", kBox));
    for (const auto& p : Join({Row(20, 10, 40), Row(21, 10, 40), Row(34, 10, 40), Row(35, 10, 40), Col(10, 20, 35),
                               Col(11, 20, 35), Col(39, 20, 35), Col(40, 20, 35)}))
        EXPECT_TRUE(box2.count(p)) << p.first << "," << p.second;
    for (const char* code : {"AO", "AP"}) EXPECT_TRUE(BorderCode(code, kBox)) << code;
    for (const char* none : {"AA", "AR", "ab", ""}) EXPECT_FALSE(BorderCode(none, kBox)) << none;
}

TEST(PageCellPlan, StepsInTheirOrder) {
    const auto text = CellDrawOp(DrawCellText{});
    const struct {
        const char* name;
        const char* attributes;
        std::vector<CellDrawOp> ops;
    } cases[] = {
        {"empty: the default text only", "", {text}},
        {"red on black", "ACAB",
         {text, SetFontColour{{255, 0, 0}}, text, SetBrushColour{{0, 0, 0}}, text, text}},
        {"five times AA",
         "AAAAAAAAAA",
         {SetFontColour{{0, 0, 0}}, text, SetBrushColour{{255, 255, 255}}, text, AddFontStyles{kBold}, text,
          SetFontName{"Arial"}, text, SetFontPoints{3}, text}},
        {"then centred in a box",
         "AAAAAAAAAAABAF",
         {SetFontColour{{0, 0, 0}}, text, SetBrushColour{{255, 255, 255}}, text, AddFontStyles{kBold}, text,
          SetFontName{"Arial"}, text, SetFontPoints{3}, text, DrawAlignedText{TextAlign::Centre},
          DrawBorder{*BorderCode("AF", kBox)}}},
        {"unknown codes still draw the text", "zzAPAZ", {text, text, text, text, text}},
        {"a code cut short", "AAA", {text, SetFontColour{{0, 0, 0}}, text, text}},
        {"size blanks", "AAAAABAA  ", {SetFontColour{{0, 0, 0}}, text, SetBrushColour{{255, 255, 255}}, text,
                                       ClearFontStyles{}, text, SetFontName{"Arial"}, text, text}},
        {"only a command", "!openfile(a.texx)", {}},
        {"a short command", "!xcomp", {text}},
        {"Cyrillic counts as one character each", "ААББ", {text, text, text, text}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Ops(c.attributes), c.ops);
    }
}

TEST(PageCellPlan, PictureOfADrawimgCommand) {
    EXPECT_EQ(PlanCellDrawing("!drawimg(logo.bmp)", {"drawimg", "logo.bmp"}, kBox).picture, "logo.bmp");
    EXPECT_FALSE(PlanCellDrawing("!drawimg()", {"drawimg", ""}, kBox).picture);
    EXPECT_FALSE(PlanCellDrawing("!openfile(a)", {"openfile", "a"}, kBox).picture);
}

TEST(HelpFolder, ArgumentsStayInsideTheHelpFolder) {
    EXPECT_EQ(HelpFile("/opt/vb\\", "index.texx"), "/opt/vb\\\\help\\index.texx");
    EXPECT_EQ(HelpFile("/opt/vb\\", "pics/logo.bmp"), "/opt/vb\\\\help\\pics/logo.bmp");
    EXPECT_EQ(HelpFile("/opt/vb\\", "a..b.texx"), "/opt/vb\\\\help\\a..b.texx");
    for (const char* bad : {"", "..\\options.ini", "../x", "pics/../../x", "sub\\..", "\\etc\\passwd", "/etc/passwd",
                            "C:\\x.texx", "c:x", "\\\\server\\share\\x"})
        EXPECT_FALSE(HelpFile("/opt/vb\\", bad)) << bad;
    EXPECT_EQ(HelpIndexPage("/opt/vb\\"), "/opt/vb\\\\help\\index.texx");
}
