#include "TitleBar.h"

#include <cstdint>

namespace viewer {

Point PanelCloseAt(const ChromeButtons& b) {
    const Size w = b.title.window;
    return {w.width - 25 - b.panelClose.width, w.height - 30 - b.panelClose.height};
}

bool InPanelClose(const ChromeButtons& b, int x, int y) {
    if (!b.panelOpen) return false;
    const Point at = PanelCloseAt(b);
    return InButton(at, {2 * b.panelClose.width, 2 * b.panelClose.height}, x, y);
}

bool InZoomIn(const ChromeButtons& b, int x, int y) { return InButton(b.zoomInAt, b.zoomIn, x, y); }

bool InZoomOut(const ChromeButtons& b, int x, int y) { return InButton(b.zoomOutAt, b.zoomOut, x, y); }

ChromePress PressOnChrome(const ChromeButtons& b, MouseButton button, int x, int y) {
    ChromePress p;
    p.panelClosePressed = InPanelClose(b, x, y);
    const bool onZoom = InZoomIn(b, x, y) || InZoomOut(b, x, y);
    if (button == MouseButton::Right) {
        p.popUpMenu = InTitleStrip(b.title, x, y);
        p.naturalSize = onZoom;
        return p;
    }
    if (button == MouseButton::Left) {
        if (InZoomIn(b, x, y)) p.zoomStep = kZoomStep;
        else if (InZoomOut(b, x, y)) p.zoomStep = -kZoomStep;
    }
    p.closeWindow = InCloseButton(b.title, x, y);
    p.moveWindow = button == MouseButton::Left && !p.closeWindow && InMoveStrip(b.title, x, y);
    return p;
}

std::vector<ButtonDraw> HoverOnChrome(const ChromeButtons& b, int x, int y) {
    std::vector<ButtonDraw> out;
    // Outside a button's rectangle, edges excluded: the closed test that restores its look.
    const auto outside = [x, y](Point at, Size s) {
        return x < at.x || x > at.x + s.width || y < at.y || y > at.y + s.height;
    };
    if (b.panelOpen) {
        const Point at = PanelCloseAt(b);
        if (InPanelClose(b, x, y)) out.push_back({"b_cansel_a", at});
        else if (outside(at, {2 * b.panelClose.width, 2 * b.panelClose.height})) out.push_back({"b_cansel", at});
    }
    if (InZoomOut(b, x, y)) {
        out.push_back({"tb_minus_a", b.zoomOutAt});
    } else if (outside(b.zoomOutAt, b.zoomOut)) {
        out.push_back({"tb_minus", b.zoomOutAt});
        out.push_back({"tb_plus", b.zoomInAt});
    }
    if (InZoomIn(b, x, y)) {
        out.push_back({"tb_plus_a", b.zoomInAt});
        out.push_back({"tb_minus", b.zoomOutAt});
    } else if (outside(b.zoomInAt, b.zoomIn)) {
        out.push_back({"tb_plus", b.zoomInAt});
    }
    const TitleZones& t = b.title;
    const Point close{t.window.width - 5 - t.closeButton.width, 5};
    if (InCloseButton(t, x, y)) out.push_back({"z_ib_close_a", close});
    else if (x < close.x || x > t.window.width - 5 || y > t.titleLineHeight) out.push_back({"z_ib_close", close});
    return out;
}

bool ReleaseClosesPanel(const ChromeButtons& b, int x, int y) { return InPanelClose(b, x, y); }

std::optional<Size> ZoomStep(Size cover, int step) {
    const int64_t height = int64_t{cover.height} + step;
    if (cover.height <= 0 || height <= 0 || height > kMaxCoverSide) return std::nullopt;
    const auto width = static_cast<int64_t>(static_cast<double>(cover.width) * (static_cast<double>(height) / cover.height));
    if (width <= 0 || width > kMaxCoverSide) return std::nullopt;
    return Size{static_cast<int>(width), static_cast<int>(height)};
}

int WheelSteps::Add(int angleDelta) {
    constexpr int kNotch = 120;
    rest_ += angleDelta;
    const int steps = rest_ / kNotch;  // towards zero, so a turn back starts from what is left
    rest_ -= steps * kNotch;
    return steps;
}

GripResize DragGrip(Point gripAt, Size grip, Point mouse, Point grab, Point windowAt, Box free) {
    const Size asked{gripAt.x + (mouse.x - grab.x) + grip.width, gripAt.y + (mouse.y - grab.y) + grip.height};
    const WindowFrame window = FitCornerResize(windowAt, asked, free);
    return {window, {window.size.width - grip.width, window.size.height - grip.height}};
}

}  // namespace viewer
