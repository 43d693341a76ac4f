// Helpers for the window tests of the two painted panels: which of the test skin's bitmaps a
// point of a painted picture shows (each is one colour of its own), and the installation the
// panels are opened on.
#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

#include <string>

#include "ChromeImage.h"
#include "Installation.h"
#include "SkinFixture.h"

namespace testsupport {

// The name of the test skin's bitmap whose colour the picture shows at `at`; empty for none.
inline std::string ShownAt(const ChromeImage* image, QPoint at) {
    if (!image->Picture().valid(at)) return "(outside the picture)";
    const QColor c = image->Picture().pixelColor(at);
    for (const SkinBitmap& b : kSkinBitmaps)
        if (QColor(b.colour.red, b.colour.green, b.colour.blue) == c) return b.name;
    return {};
}

// The minimal installation without the automatic check, with options.ini's see-through
// setting and its blend weight (the skin adds none).
inline void WritePanelInstallation(const Installation& inst, const char* transparency = "on", int weight = 0) {
    inst.WriteMinimal();
    inst.Write("options.ini", std::string("[Update]\r\nAutomatically check for updates of the database=0\r\n"
                                          "Automatically check for program updates=0\r\n[Window]\r\nTransparencyOnOff=") +
                                  transparency + "\r\nTransparencyWin9xme=" + std::to_string(weight) + "\r\n");
}

}  // namespace testsupport
