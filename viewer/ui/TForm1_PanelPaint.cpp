// What the update panel and the options panel paint alike: their colours and bitmaps (the
// skin's, or drawn stand-ins without one), the skinned frame, and the title line mixed with
// the window beneath it.
#include <QPainter>

#include <span>
#include <utility>

#include "ChromeImage.h"
#include "PanelFrame.h"
#include "PanelStandIns.h"
#include "QtBridge.h"
#include "TForm1.h"

namespace {

viewer::Rgb Rgb(QColor c) {
    return {static_cast<uint8_t>(c.red()), static_cast<uint8_t>(c.green()), static_cast<uint8_t>(c.blue())};
}

}  // namespace

viewer::PanelColours TForm1::panelColours() const {
    if (chrome_.skinApplied && config_.ColorIni) return viewer::ReadPanelColours(*config_.ColorIni);
    // The desktop's look: its own colours, so every text stands out from its ground.
    const QPalette p = palette();
    viewer::PanelColours c;
    c.dialogFon = c.windowFon = Rgb(p.color(QPalette::Window));
    c.dialogText = Rgb(p.color(QPalette::WindowText));
    c.titleText = Rgb(p.color(QPalette::HighlightedText));
    c.borderLine = Rgb(p.color(QPalette::Mid));
    c.selectedMenu = Rgb(p.color(QPalette::Midlight));
    c.editorFon = Rgb(p.color(QPalette::Base));
    c.editorText = Rgb(p.color(QPalette::Text));
    return c;
}

const QImage& TForm1::panelBitmap(std::string_view name) const {
    if (chrome_.skinApplied) return chrome_.Bitmaps.Get(name);
    if (!standIns_.Has("b_update")) standIns_ = viewerui::MakePanelStandIns(palette(), font(), chrome_.TitleLineHeight);
    return standIns_.Get(name);
}

void TForm1::paintPanelFrame(QImage& canvas) {
    viewer::PanelFrameSizes sizes;
    for (size_t i = 0; i < sizes.size(); ++i) {
        const QImage& b = panelBitmap(viewer::kPanelFrameBitmaps[i]);
        sizes[i] = {b.width(), b.height()};
    }
    QPainter painter(&canvas);
    for (const viewer::ChromeBlit& b : viewer::PanelFrameTiles({canvas.width(), canvas.height()}, sizes))
        painter.drawImage(b.x, b.y, panelBitmap(viewer::kPanelFrameBitmaps[static_cast<size_t>(b.bitmap)]));
}

void TForm1::capturePanelTitle(const QWidget* panel, int width) {
    install_.PanelCapture = QImage();
    if (!config_.SeeThroughTitles() || width <= 0 || chrome_.TitleLineHeight <= 0) return;
    // The window draws what lies beneath the hidden panel; that is what the screen shows there.
    install_.PanelCapture = grab(QRect(panel->x(), panel->y(), width, chrome_.TitleLineHeight)).toImage();
}

void TForm1::blendPanelTitle(QImage& canvas) {
    const QImage behindAny = std::exchange(install_.PanelCapture, QImage());
    const int w = canvas.width(), lines = std::min(chrome_.TitleLineHeight, canvas.height());
    if (behindAny.isNull() || w <= 0 || lines <= 0) return;
    QImage title = canvas.copy(0, 0, w, lines).convertToFormat(QImage::Format_RGB888);
    const QImage behind = (behindAny.size() == title.size() ? behindAny : behindAny.scaled(w, lines))
                              .convertToFormat(QImage::Format_RGB888);
    const int percent = viewer::TitleBlendPercent(chrome_.TitleBlendOption, chrome_.TitleBlendSkin);
    const auto rowBytes = static_cast<size_t>(w) * 3;
    for (int y = 0; y < lines; ++y)
        viewer::BlendPanelTitleRow({title.scanLine(y), rowBytes}, {behind.constScanLine(y), rowBytes}, y,
                                   {w, canvas.height()}, percent);
    QPainter(&canvas).drawImage(0, 0, title);
}
