// Guards the skinned window's geometry: the chain of controls with the default coordinates,
// the menu labels from the right edge, what the chrome painting places, the update notices,
// the bounds of the window size, and the details grid's columns fitted to the grid.
#include <gtest/gtest.h>

#include <numeric>

#include "WindowLayout.h"

using namespace viewer;

TEST(WindowLayout, ChainWithTheDefaultCoordinates) {
    const MenuLabels labels{{40, 13}, {32, 13}, {26, 13}};
    const WindowLayout l = LayOutWindow({1000, 760}, SkinCoordinates{}, labels);
    const std::pair<const char*, std::pair<Box, Box>> cases[] = {
        {"Edit3", {l.edit3, {10, 50, 189, 21}}},
        {"ListBox8", {l.listBox8, {10, 81, 189, 33}}},
        {"ListBox2", {l.listBox2, {10, 119, 189, 71}}},
        {"ListBox9", {l.listBox9, {10, 195, 189, 72}}},
        {"ListBox1", {l.listBox1, {10, 272, 189, 760 - 272 - 33}}},
        {"ListBox7", {l.listBox7, {209, 50, 189, 85}}},
        {"StringGrid3", {l.stringGrid3, {209, 50, 1000 - 209 - 10, 230}}},
        {"ListBox4", {l.listBox4, {209, 50, 781, 760 - 50 - 30}}},
        {"StringGrid1", {l.stringGrid1, {209, 50, 781, 760 - 50 - 30}}},
    };
    for (const auto& [name, boxes] : cases) {
        SCOPED_TRACE(name);
        const auto& [got, want] = boxes;
        EXPECT_EQ(got, want) << got.left << "," << got.top << " " << got.width << "x" << got.height;
    }
    EXPECT_EQ(l.menuTop, 10);
    EXPECT_EQ(l.label12Left, 10);
    EXPECT_EQ(l.label12Top, 760 - 8 - 13);
    // "About" at the right edge, then "Help", then "Options", 15 px apart.
    EXPECT_EQ(l.label3Left, 1000 - 10 - 32);
    EXPECT_EQ(l.label4Left, l.label3Left - 26 - 15);
    EXPECT_EQ(l.label2Left, l.label4Left - 40 - 15);
}

TEST(WindowLayout, SkinCoordinatesMoveTheChainAndHiddenLabelsTakeNoRoom) {
    MenuLabels labels{{40, 13}, {32, 13}, {26, 13}};
    labels.aboutShown = false;
    labels.helpShown = false;
    const WindowLayout l = LayOutWindow({900, 640}, SkinCoordinates{31, 52, 12}, labels);
    EXPECT_EQ(l.edit3, (Box{12, 52, 189, 21}));
    EXPECT_EQ(l.listBox8.left, 12);
    EXPECT_EQ(l.stringGrid3, (Box{211, 52, 900 - 211 - 12, 230}));
    EXPECT_EQ(l.menuTop, 31);
    EXPECT_EQ(l.label2Left, 900 - 10 - 40);
}

TEST(WindowLayout, AWindowTooSmallGivesNoNegativeSizes) {
    const WindowLayout l = LayOutWindow({100, 100}, SkinCoordinates{}, MenuLabels{});
    for (const Box& b : {l.listBox1, l.listBox4, l.stringGrid1, l.stringGrid3}) {
        EXPECT_GE(b.width, 0);
        EXPECT_GE(b.height, 0);
    }
    EXPECT_EQ(l.listBox1.height, 0);
}

TEST(WindowLayout, ChromePlacesCoverBoxTextBoxZoomButtonsAndGrip) {
    const Box grid{209, 50, 781, 230}, lists{10, 119, 189, 71};
    const ChromePlacement p = PlaceOnChrome({{1000, 760}, grid, lists, 10, {18, 16}, {20, 20}});
    EXPECT_EQ(p.grip, (Point{980, 740}));
    EXPECT_EQ(p.zoomOut, (Point{209, 285}));
    EXPECT_EQ(p.zoomIn, (Point{209 + 18 + 5, 285}));
    EXPECT_EQ(p.scrollBox1, (Box{209, 306, 257, 760 - 306 - 30}));
    EXPECT_EQ(p.memo2, (Box{476, 290, 1000 - 476 - 10, 760 - 30 - 290}));
    // No zoom bitmaps (no skin): the cover box starts 5 px under the grid's gap.
    EXPECT_EQ(PlaceOnChrome({{1000, 760}, grid, lists, 10, {}, {}}).scrollBox1.top, 290);
}

TEST(WindowLayout, NoticesOnTheStatusLineAndInTheMenuRowWhenBothDoNotFit) {
    NoticeInput in;
    in.window = {1000, 760};
    in.baseLeft = 260;
    in.baseNotice = {370, 14};
    in.programNotice = {470, 14};
    in.menuTop = 31;
    in.menuLeft = 940;
    in.leftMargin = 10;
    NoticePlaces p = PlaceNotices(in);
    EXPECT_EQ(p.baseNotice, (Point{260, 735}));
    EXPECT_EQ(p.programNotice, (Point{1000 - 470 - 25, 735}));

    in.bothShown = true;
    p = PlaceNotices(in);
    EXPECT_EQ(p.baseNotice, (Point{260, 735}));
    EXPECT_EQ(p.programNotice, (Point{940 - 25 - 470, 31}));

    in.window.width = 1400;  // room for both on the status line
    EXPECT_EQ(PlaceNotices(in).programNotice, (Point{1400 - 470 - 25, 735}));
}

TEST(WindowLayout, WindowSizeBounds) {
    struct Case {
        Size stored, screen, want;
    };
    const Case cases[] = {
        {{1000, 760}, {1280, 1024}, {1000, 760}},
        {{600, 500}, {1280, 1024}, kMinimumWindow},  // the defaults are below what the layout needs
        {{3000, 2000}, {1280, 1024}, {1280, 1024}},  // never beyond the screen
        {{600, 500}, {800, 600}, {800, 600}},        // a small screen wins over the minimum
        {{-5, 0}, {}, kMinimumWindow},               // no screen known
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.stored.width << "x" << c.stored.height << " on " << c.screen.width);
        EXPECT_EQ(BoundWindowSize(c.stored, c.screen), c.want);
    }
}

// The corner dragged out stops at the free area's edges from where the window stands; a
// window too far out for even the smallest size moves in.
TEST(WindowLayout, ACornerResizeStaysInTheScreensFreeArea) {
    const Box small{0, 0, 1024, 768};
    const Box panelled{0, 28, 1280, 996};  // a panel across the top of the screen
    struct Case {
        const char* name;
        Point at;
        Size asked;
        Box free;
        WindowFrame want;
    };
    const Case cases[] = {
        {"inside", {12, 4}, {1000, 700}, small, {{12, 4}, {1000, 700}}},
        {"far out on a small screen", {12, 4}, {3000, 3000}, small, {{12, 4}, {1012, 764}}},
        {"below the smallest", {12, 4}, {10, 10}, small, {{12, 4}, kMinimumWindow}},
        {"too far right for the smallest", {200, 300}, {10, 10}, small, {{1024 - 960, 768 - 640}, kMinimumWindow}},
        {"the free area's own origin", {100, 40}, {3000, 3000}, panelled, {{100, 40}, {1180, 984}}},
        {"a screen smaller than the smallest", {50, 50}, {3000, 3000}, {0, 0, 800, 600}, {{0, 0}, {800, 600}}},
        {"no screen known", {50, 50}, {3000, 3000}, {}, {{50, 50}, {3000, 3000}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const WindowFrame got = FitCornerResize(c.at, c.asked, c.free);
        EXPECT_EQ(got, c.want) << got.at.x << "," << got.at.y << " " << got.size.width << "x" << got.size.height;
    }
}

TEST(WindowLayout, ColumnsFitTheGrid) {
    const int design[] = {10, 240, 15, 30, 15, 270, 15, 150, 15, 200};  // 960
    const int minimum[] = {10, 40, 15, 30, 15, 40, 15, 40, 15, 40};
    const auto sum = [](const std::vector<int>& v) { return std::accumulate(v.begin(), v.end(), 0); };

    EXPECT_EQ(FitColumnWidths(design, minimum, 1200), std::vector<int>(std::begin(design), std::end(design)));

    const std::vector<int> fitted = FitColumnWidths(design, minimum, 760);
    EXPECT_EQ(sum(fitted), 760);
    for (int spacer : {0, 2, 3, 4, 6, 8}) EXPECT_EQ(fitted[static_cast<size_t>(spacer)], design[spacer]) << spacer;
    // The text columns give up width in proportion to what they have above their minimum.
    EXPECT_GT(fitted[5], fitted[1]);
    EXPECT_GT(fitted[1], fitted[9]);
    EXPECT_GT(fitted[9], fitted[7]);
    EXPECT_NEAR(fitted[1] - 40, (240 - 40) * (760.0 - 260) / 700, 1.0);

    // Narrower than the minimums: each column at its minimum, no less.
    EXPECT_EQ(FitColumnWidths(design, minimum, 100), std::vector<int>(std::begin(minimum), std::end(minimum)));
}
