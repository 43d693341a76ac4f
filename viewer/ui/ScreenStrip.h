// The pixels shown in a rectangle of the screen, for the see-through title lines. Under X11
// they are read from the screen; where the platform gives a program no access to the
// screen's pixels (Wayland, offscreen) the caller's fallback colour, the window's own
// background, stands in for them, as it does for any part of the rectangle off the screen.
// Tests install a source of their own.
#pragma once

#include <QColor>
#include <QImage>
#include <QRect>

namespace viewerui {

class ScreenStrip {
public:
    virtual ~ScreenStrip() = default;
    // `area` in global screen coordinates; the image has its size.
    virtual QImage Grab(const QRect& area, QColor fallback) = 0;
};

// Installs the source used from now on (not owned; nullptr restores the desktop's own) and
// returns the one it replaces.
ScreenStrip* SetScreenStrip(ScreenStrip* source);

QImage GrabScreenStrip(const QRect& area, QColor fallback);

}  // namespace viewerui
