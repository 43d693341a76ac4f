// Writes one catalog cover as JPEG:  vb_make_cover OUT.jpg WIDTH HEIGHT TITLE [SERIES]
// Runs without a display (offscreen platform unless one is chosen).
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>

#include "CoverPainter.h"

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() < 5) {
        std::fprintf(stderr, "usage: vb_make_cover OUT.jpg WIDTH HEIGHT TITLE [SERIES]\n");
        return 2;
    }
    const QSize size(args.at(2).toInt(), args.at(3).toInt());
    if (size.width() < 16 || size.height() < 16) {
        std::fprintf(stderr, "vb_make_cover: the size must be at least 16 by 16\n");
        return 2;
    }
    const QImage cover = covertool::PaintCover(args.at(4), args.size() > 5 ? args.at(5) : QString(), size);
    if (!cover.save(args.at(1), "JPG", 82)) {
        std::fprintf(stderr, "vb_make_cover: cannot write %s\n", qPrintable(args.at(1)));
        return 1;
    }
    return 0;
}
