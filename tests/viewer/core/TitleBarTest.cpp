// Guards the chrome's mouse surface without a window: what a press does in each zone (a right
// press on the close button only opens the menu), the button states a move draws, the release
// that closes the panel, the cover zoom's sequence and where it stops, wheel notches, and the
// resize grip kept within the smallest window and the screen.
#include <gtest/gtest.h>

#include <algorithm>

#include "TitleBar.h"

using namespace viewer;

namespace {

// A 600 x 500 window: title line 24, close button 14 x 12 (its zone 581 < x < 595), zoom-out
// at (200, 300) and zoom-in at (223, 300), both 18 x 16, the panel's close button 20 x 20 at
// (555, 450) with its zone reaching to (595, 490).
ChromeButtons Buttons(bool panelOpen = false) {
    ChromeButtons b;
    b.title = {{600, 500}, 24, {14, 12}};
    b.zoomOutAt = {200, 300};
    b.zoomInAt = {223, 300};
    b.zoomOut = b.zoomIn = {18, 16};
    b.panelClose = {20, 20};
    b.panelOpen = panelOpen;
    return b;
}

bool Draws(const std::vector<ButtonDraw>& draws, const std::string& bitmap) {
    return std::any_of(draws.begin(), draws.end(), [&](const ButtonDraw& d) { return d.bitmap == bitmap; });
}

}  // namespace

TEST(TitleBar, PressInEachZone) {
    struct Case {
        const char* name;
        MouseButton button;
        int x, y;
        ChromePress want;
    };
    const Case cases[] = {
        {"left on the title moves", MouseButton::Left, 100, 5, {.moveWindow = true}},
        {"right on the title opens the menu", MouseButton::Right, 100, 5, {.popUpMenu = true}},
        {"other button on the title does nothing", MouseButton::Other, 100, 5, {}},
        {"left on the close button closes", MouseButton::Left, 588, 10, {.closeWindow = true}},
        {"right on the close button only opens the menu", MouseButton::Right, 588, 10, {.popUpMenu = true}},
        {"middle on the close button closes", MouseButton::Other, 588, 10, {.closeWindow = true}},
        {"left right of the close button does nothing", MouseButton::Left, 597, 5, {}},
        {"left on the close button's left edge does nothing", MouseButton::Left, 581, 10, {}},
        {"left below the title does nothing", MouseButton::Left, 100, 24, {}},
        {"left on zoom in", MouseButton::Left, 230, 305, {.zoomStep = 200}},
        {"left on zoom out", MouseButton::Left, 205, 305, {.zoomStep = -200}},
        {"right on zoom in: natural size", MouseButton::Right, 230, 305, {.naturalSize = true}},
        {"right on zoom out: natural size", MouseButton::Right, 205, 305, {.naturalSize = true}},
        {"left on a zoom button's edge does nothing", MouseButton::Left, 200, 305, {}},
        {"the panel's close zone without a panel", MouseButton::Left, 570, 470, {}},
    };
    const auto same = [](const ChromePress& a, const ChromePress& b) {
        return a.panelClosePressed == b.panelClosePressed && a.popUpMenu == b.popUpMenu &&
               a.naturalSize == b.naturalSize && a.zoomStep == b.zoomStep && a.closeWindow == b.closeWindow &&
               a.moveWindow == b.moveWindow;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(same(PressOnChrome(Buttons(), c.button, c.x, c.y), c.want));
    }
    // With the page open, its close button reaches twice its size to the right and down.
    EXPECT_EQ(PanelCloseAt(Buttons(true)), (Point{555, 450}));
    for (const auto& [x, y, in] : {std::tuple{556, 451, true}, {594, 489, true}, {555, 460, false},
                                   {570, 490, false}, {554, 470, false}}) {
        SCOPED_TRACE(testing::Message() << x << "," << y);
        EXPECT_EQ(PressOnChrome(Buttons(true), MouseButton::Left, x, y).panelClosePressed, in);
        EXPECT_EQ(ReleaseClosesPanel(Buttons(true), x, y), in);
    }
}

TEST(TitleBar, HoverDrawsEachButtonsState) {
    // Over zoom in: its hover state last, zoom out normal; the close button normal.
    auto draws = HoverOnChrome(Buttons(), 230, 305);
    ASSERT_FALSE(draws.empty());
    EXPECT_TRUE(Draws(draws, "tb_plus_a"));
    EXPECT_EQ(std::find_if(draws.rbegin(), draws.rend(), [](const ButtonDraw& d) { return d.at == Point{223, 300}; })->bitmap,
              "tb_plus_a");
    EXPECT_TRUE(Draws(draws, "tb_minus"));
    EXPECT_TRUE(Draws(draws, "z_ib_close"));
    EXPECT_FALSE(Draws(draws, "b_cansel"));  // no page, no button

    draws = HoverOnChrome(Buttons(), 205, 305);
    EXPECT_TRUE(Draws(draws, "tb_minus_a"));
    EXPECT_FALSE(Draws(draws, "tb_minus"));

    draws = HoverOnChrome(Buttons(true), 588, 10);
    EXPECT_TRUE(Draws(draws, "z_ib_close_a"));
    EXPECT_FALSE(Draws(draws, "z_ib_close"));
    EXPECT_TRUE(Draws(draws, "b_cansel"));
    EXPECT_TRUE(std::find(draws.begin(), draws.end(), ButtonDraw{"z_ib_close_a", {581, 5}}) != draws.end());

    draws = HoverOnChrome(Buttons(true), 570, 470);
    EXPECT_TRUE(std::find(draws.begin(), draws.end(), ButtonDraw{"b_cansel_a", {555, 450}}) != draws.end());

    // On a zone's edge neither state is drawn.
    draws = HoverOnChrome(Buttons(), 200, 305);
    EXPECT_FALSE(Draws(draws, "tb_minus_a"));
    EXPECT_FALSE(Draws(draws, "tb_minus"));
}

TEST(TitleBar, ZoomSequenceStopsBeforeTheCoverVanishes) {
    // From 300 x 400: out to 150 x 200, then no further (200 - 200 would be no height at all).
    std::optional<Size> cover = Size{300, 400};
    cover = ZoomStep(*cover, -kZoomStep);
    EXPECT_EQ(cover, (Size{150, 200}));
    EXPECT_EQ(ZoomStep(*cover, -kZoomStep), std::nullopt);
    // In again: the width keeps the proportion, truncated.
    EXPECT_EQ(ZoomStep(*cover, kZoomStep), (Size{300, 400}));
    EXPECT_EQ(ZoomStep({100, 300}, kZoomStep), (Size{166, 500}));
    // A picture too flat to keep a width, one without height, and one beyond what can be drawn.
    EXPECT_EQ(ZoomStep({1, 300}, -kZoomStep), std::nullopt);
    EXPECT_EQ(ZoomStep({100, 0}, kZoomStep), std::nullopt);
    EXPECT_EQ(ZoomStep({100, kMaxCoverSide - 100}, kZoomStep), std::nullopt);
    EXPECT_EQ(ZoomStep({kMaxCoverSide, 1000}, kZoomStep), std::nullopt);
    // Zooming in and in ends at the bound and stays there.
    Size big{230, 222};
    for (int i = 0; i < 100; ++i)
        if (const auto next = ZoomStep(big, kZoomStep)) big = *next;
    EXPECT_LE(big.height, kMaxCoverSide);
    EXPECT_LE(big.width, kMaxCoverSide);
    EXPECT_EQ(ZoomStep(big, kZoomStep), std::nullopt);
    EXPECT_GT(big.height, 3000);
}

TEST(TitleBar, WheelTurnsCountWholeNotches) {
    WheelSteps wheel;
    EXPECT_EQ(wheel.Add(120), 1);
    EXPECT_EQ(wheel.Add(-240), -2);
    EXPECT_EQ(wheel.Add(60), 0);  // half a notch of a fine wheel
    EXPECT_EQ(wheel.Add(60), 1);
    EXPECT_EQ(wheel.Add(-30), 0);
    EXPECT_EQ(wheel.Add(-90), -1);
}

TEST(TitleBar, GripFollowsTheMouseWithinTheSmallestWindowAndTheScreen) {
    const Size grip{20, 20};
    const Box free{0, 0, 1280, 1000};
    const Point at{100, 50};
    // The grip of a 1000 x 760 window at (980, 740), grabbed at (5, 5), dragged 40 right and 30 up.
    GripResize r = DragGrip({980, 740}, grip, {45, -25}, {5, 5}, at, free);
    EXPECT_EQ(r.window, (WindowFrame{at, {1040, 730}}));
    EXPECT_EQ(r.gripAt, (Point{1020, 710}));
    // Far up and left: the smallest window, never zero or below; the grip stays in its corner.
    r = DragGrip({980, 740}, grip, {-5000, -5000}, {5, 5}, at, free);
    EXPECT_EQ(r.window, (WindowFrame{at, kMinimumWindow}));
    EXPECT_EQ(r.gripAt, (Point{kMinimumWindow.width - 20, kMinimumWindow.height - 20}));
    // Beyond the screen: up to the free area's edges from where the window stands.
    r = DragGrip({980, 740}, grip, {5000, 5000}, {5, 5}, at, free);
    EXPECT_EQ(r.window, (WindowFrame{at, {1180, 950}}));
    EXPECT_EQ(r.gripAt, (Point{1160, 930}));
    // No screen known: only the lower bound.
    r = DragGrip({980, 740}, grip, {1005, 5}, {5, 5}, at, {});
    EXPECT_EQ(r.window.size, (Size{2000, 760}));
}
