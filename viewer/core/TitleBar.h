// The mouse surface of the skinned window's chrome: what a press on it does, which button
// states a move over it draws, the cover zoom's steps, and the resize grip's geometry.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Chrome.h"
#include "WindowLayout.h"

namespace viewer {

// Every button the chrome draws, with the sizes of their bitmaps (a missing bitmap has no
// size, so its zone holds no point) and where the movable ones stand.
struct ChromeButtons {
    TitleZones title;
    Point zoomOutAt, zoomInAt;
    Size zoomOut, zoomIn;      // tb_minus, tb_plus
    Size panelClose;           // b_cansel
    bool panelOpen = false;    // the options or help page is shown, with its close button
};

// The panel's close button is drawn at its top-left corner; its zone reaches twice its size
// to the right and down from there.
Point PanelCloseAt(const ChromeButtons& b);
bool InPanelClose(const ChromeButtons& b, int x, int y);
bool InZoomIn(const ChromeButtons& b, int x, int y);
bool InZoomOut(const ChromeButtons& b, int x, int y);

enum class MouseButton { Left, Right, Other };

inline constexpr int kZoomStep = 200;

// What a press on the chrome does, in the order the form carries it out.
struct ChromePress {
    bool panelClosePressed = false;  // draw the pressed close button of the panel
    bool popUpMenu = false;          // the window menu at the pressed point
    bool naturalSize = false;        // the cover back at its own size
    int zoomStep = 0;                // +kZoomStep, -kZoomStep or none
    bool closeWindow = false;
    bool moveWindow = false;         // the window system moves the window with the mouse
};
// A right press on the close button only opens the menu: the button closes on the others.
ChromePress PressOnChrome(const ChromeButtons& b, MouseButton button, int x, int y);

// A bitmap to draw at a place, to show a button's state.
struct ButtonDraw {
    std::string bitmap;
    Point at;
    bool operator==(const ButtonDraw&) const = default;
};
// The button states a move to (x, y) draws, in drawing order. Inside a zone a button shows
// its hover state; well outside it, its normal one; on a zone's own edge nothing is drawn.
std::vector<ButtonDraw> HoverOnChrome(const ChromeButtons& b, int x, int y);

// The release closes the panel when it is inside the panel's close zone, wherever the press was.
bool ReleaseClosesPanel(const ChromeButtons& b, int x, int y);

// The cover is never zoomed out to nothing, nor in beyond what can be drawn.
inline constexpr int kMaxCoverSide = 4096;

// The cover's size after a zoom step: the height changes by `step` and the width keeps the
// proportion, truncated. nullopt when the step is not taken: it would leave the cover without
// height or width, or larger than kMaxCoverSide.
std::optional<Size> ZoomStep(Size cover, int step);

// Wheel turns to zoom steps: a step for every notch (120 units of angle), so fine-grained
// wheels and touchpads zoom as a notched wheel does.
class WheelSteps {
public:
    // Takes the turn of one event and returns the whole steps it completes (up is positive).
    int Add(int angleDelta);

private:
    int rest_ = 0;
};

// The resize grip: the window follows its bottom-right corner.
struct GripResize {
    WindowFrame window;
    Point gripAt;  // in the window
};
// The grip at `gripAt` of the window at `windowAt` dragged so that the mouse stands at `mouse`
// (in the grip) after being grabbed at `grab`: the window becomes as large as the grip's new
// corner asks, within the smallest window the layout lays out and the free area of its
// screen from where the window stands (FitCornerResize), and the grip stays in its corner.
GripResize DragGrip(Point gripAt, Size grip, Point mouse, Point grab, Point windowAt, Box free);

}  // namespace viewer
