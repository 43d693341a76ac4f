// The title line of the borderless window: its close button closes the window, and a left
// press elsewhere on it moves the window with the mouse.
#include <QWindow>

#include "Chrome.h"
#include "ChromeImage.h"
#include "TForm1.h"

namespace {

viewer::TitleZones Zones(const TForm1& form) {
    return {{form.Image3->width(), form.Image3->height()}, form.TitleLineHeight, form.Bitmaps.SizeOf("z_ib_close")};
}

}  // namespace

void TForm1::Image3MouseDown(Qt::MouseButton button, int x, int y) {
    const viewer::TitleZones zones = Zones(*this);
    if (viewer::InCloseButton(zones, x, y)) {
        close();
        return;
    }
    if (button != Qt::LeftButton || !viewer::InMoveStrip(zones, x, y)) return;
    // The desktop moves the window where it can; otherwise the window follows the mouse itself.
    if (windowHandle() && windowHandle()->startSystemMove()) return;
    dragging_ = true;
    dragGrab_ = Image3->mapToGlobal(QPoint(x, y)) - pos();
}

void TForm1::Image3MouseMove(int x, int y) {
    if (dragging_) move(Image3->mapToGlobal(QPoint(x, y)) - dragGrab_);
}

void TForm1::Image3MouseUp(Qt::MouseButton, int, int) { dragging_ = false; }
