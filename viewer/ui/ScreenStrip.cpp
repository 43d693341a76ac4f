#include "ScreenStrip.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

namespace viewerui {
namespace {

class DesktopScreenStrip final : public ScreenStrip {
public:
    QImage Grab(const QRect& area, QColor fallback) override {
        QImage out(std::max(area.width(), 0), std::max(area.height(), 0), QImage::Format_RGB32);
        out.fill(fallback);
        if (out.isNull() || QGuiApplication::platformName() != QLatin1String("xcb")) return out;
        QPainter painter(&out);
        for (QScreen* screen : QGuiApplication::screens()) {
            const QRect part = area & screen->geometry();
            if (part.isEmpty()) continue;
            const QRect inScreen = part.translated(-screen->geometry().topLeft());
            const QPixmap shot = screen->grabWindow(0, inScreen.x(), inScreen.y(), inScreen.width(), inScreen.height());
            if (shot.isNull()) continue;
            // On a scaled screen the grab holds device pixels; the strip is in window pixels.
            painter.drawPixmap(QRect(part.topLeft() - area.topLeft(), part.size()), shot);
        }
        return out;
    }
};

ScreenStrip& Desktop() {
    static DesktopScreenStrip desktop;
    return desktop;
}

ScreenStrip*& Current() {
    static ScreenStrip* current = &Desktop();
    return current;
}

}  // namespace

ScreenStrip* SetScreenStrip(ScreenStrip* source) {
    ScreenStrip* previous = Current();
    Current() = source ? source : &Desktop();
    return previous;
}

QImage GrabScreenStrip(const QRect& area, QColor fallback) { return Current()->Grab(area, fallback); }

}  // namespace viewerui
