// Window chrome painting: the frame, title and status strips, the cover zoom buttons and the
// status text drawn into the window's picture (N111), and the title blend with the screen
// behind it, the program name and the close button (N121).
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QTableWidget>

#include "Chrome.h"
#include "ChromeImage.h"
#include "Panels.h"
#include "QtBridge.h"
#include "ScreenStrip.h"
#include "SkinFiles.h"
#include "TForm1.h"
#include "TImagePlus.h"

void TForm1::N111Click() {
    Image3->setGeometry(0, 0, width(), height());
    Image3->lower();
    const int w = Image3->width(), h = Image3->height();
    // A picture of another size (the window was resized since) would leave part of the
    // window unpainted; it starts afresh instead.
    if (!Image3->Picture().isNull() && Image3->Picture().size() != Image3->size()) Image3->Clear();
    if (!chrome_.chromeLoaded) {
        chrome_.Bitmaps.LoadSet(config_.ProgramDir, config_.SkinName, viewer::kChromeBitmaps);
        chrome_.chromeLoaded = true;
    }
    const QColor fon = Q(viewer::ReadTextColour(*config_.ColorIni, "Window", "Colorfon"));

    QImage& canvas = Image3->Canvas();
    {
        QPainter painter(&canvas);
        painter.fillRect(canvas.rect(), fon);
        viewer::ChromeSizes sizes;
        for (size_t i = 0; i < sizes.size(); ++i) sizes[i] = chrome_.Bitmaps.SizeOf(viewer::kChromeBitmaps[i]);
        for (const viewer::ChromeBlit& b : viewer::ChromeTiles({w, h}, sizes))
            painter.drawImage(b.x, b.y, chrome_.Bitmaps.Get(viewer::kChromeBitmaps[static_cast<size_t>(b.bitmap)]));
    }

    chrome_.TitleLineHeight = viewer::ReadTitleLineHeight(
        platform::IniFile(viewer::SkinFile(config_.ProgramDir, config_.SkinName, "size.ini")));
    // The strip of screen just above the window: what the title line lets show through. The
    // window stays where it is.
    const QRect frame = geometry();
    chrome_.TitleCapture = viewerui::GrabScreenStrip(
        QRect(frame.left(), frame.top() - chrome_.TitleLineHeight, w, chrome_.TitleLineHeight), fon);

    if (!chrome_.buttonsLoaded) {
        chrome_.Bitmaps.LoadSet(config_.ProgramDir, config_.SkinName, viewer::kButtonBitmaps);
        chrome_.CancelButtonBitmap = chrome_.Bitmaps.Get("b_cansel");
        chrome_.buttonsLoaded = true;
    }

    const viewer::Box grid{StringGrid3->x(), StringGrid3->y(), StringGrid3->width(), StringGrid3->height()};
    const viewer::Box lists{ListBox2->x(), ListBox2->y(), ListBox2->width(), ListBox2->height()};
    const viewer::Size grip = ImagePlus3 ? viewer::Size{ImagePlus3->width(), ImagePlus3->height()} : viewer::Size{};
    const viewer::ChromePlacement p =
        viewer::PlaceOnChrome({{width(), height()}, grid, lists, Edit3->x(), chrome_.Bitmaps.SizeOf("tb_minus"), grip});
    if (ImagePlus3) ImagePlus3->move(p.grip.x, p.grip.y);
    cover_.zoomOut = {p.zoomOut.x, p.zoomOut.y};
    cover_.zoomIn = {p.zoomIn.x, p.zoomIn.y};
    ScrollBox1->setGeometry(p.scrollBox1.left, p.scrollBox1.top, p.scrollBox1.width, p.scrollBox1.height);
    Memo2->setGeometry(p.memo2.left, p.memo2.top, p.memo2.width, p.memo2.height);

    QPainter painter(&canvas);
    painter.drawImage(cover_.zoomOut.x, cover_.zoomOut.y, chrome_.Bitmaps.Get("tb_minus"));
    painter.drawImage(cover_.zoomIn.x, cover_.zoomIn.y, chrome_.Bitmaps.Get("tb_plus"));

    QFont font = Image3->font();
    font.setBold(false);
    painter.setFont(font);
    painter.setPen(Q(viewer::ReadIntColour(*config_.ColorIni, "Dialog", "TextColor", viewer::kDefaultPanelColour)));
    const QString status =
        Q(viewer::StatusLineText(statusNotice_, config_.BaseDay, config_.BaseMonthName, config_.BaseYear));
    const QFontMetrics fm(font);
    painter.drawText(QRect(Label12->x(), h - 25, fm.horizontalAdvance(status) + 1, fm.height()),
                     Qt::AlignLeft | Qt::AlignTop, status);
    painter.end();

    // The title line is usable before any blend: it has its name and its close button.
    paintTitleMarks();
    // What an open page put on the chrome is kept: its close button on the status line.
    chrome_.underPanelClose = QImage();
    if (viewer::PageOverBookArea(nav_.PanelPage)) drawPanelCloseOnChrome();
    placeNotices();
    Image3->Changed();
    paintGrip();
}

void TForm1::N121Click() {
    QImage& canvas = Image3->Canvas();
    const int w = canvas.width();
    const int lineHeight = std::min(chrome_.TitleLineHeight, canvas.height());
    if (!chrome_.TitleCapture.isNull() && lineHeight > 0) {
        QImage title = canvas.copy(0, 0, w, lineHeight).convertToFormat(QImage::Format_RGB888);
        const QImage behind = chrome_.TitleCapture.scaled(w, lineHeight).convertToFormat(QImage::Format_RGB888);
        const int percent = viewer::TitleBlendPercent(chrome_.TitleBlendOption, chrome_.TitleBlendSkin);
        const auto rowBytes = static_cast<size_t>(w) * 3;
        for (int y = 0; y < lineHeight; ++y)
            viewer::BlendTitle({title.scanLine(y), rowBytes}, {behind.constScanLine(y), rowBytes}, percent);
        QPainter(&canvas).drawImage(0, 0, title);
    }
    chrome_.TitleCapture = QImage();

    paintTitleMarks();
    Image3->Changed();
}

// The program name and the close button on the title line.
void TForm1::paintTitleMarks() {
    QImage& canvas = Image3->Canvas();
    QPainter painter(&canvas);
    QFont font = Image3->font();
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Q(viewer::ReadIntColour(*config_.ColorIni, "Form", "NameprogColor", viewer::kDefaultTitleColour)));
    const QFontMetrics fm(font);
    const QString name = Q(config_.ProgramName);
    painter.drawText(QRect(10, 15 - fm.height() / 2, fm.horizontalAdvance(name) + 1, fm.height()),
                     Qt::AlignLeft | Qt::AlignTop, name);
    const QImage& close = chrome_.Bitmaps.Get("z_ib_close");
    painter.drawImage(canvas.width() - 5 - close.width(), 5, close);
}
