// The chrome as the mouse surface of the borderless window: the title line (window menu, close
// button, moving the window), the cover zoom buttons and the wheel over the cover, the close
// button under the options and help page, and the resize grip in the bottom-right corner.
#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollArea>
#include <QWheelEvent>
#include <QWindow>

#include "ChromeImage.h"
#include "ClickLabel.h"
#include "Controls.h"
#include "Options.h"
#include "Panels.h"
#include "QtBridge.h"
#include "SkinFiles.h"
#include "TForm1.h"
#include "TImagePlus.h"
#include "TitleBar.h"
#include "WindowMenu.h"

namespace {

constexpr int kGripSize = 20;

viewer::MouseButton Button(Qt::MouseButton button) {
    if (button == Qt::LeftButton) return viewer::MouseButton::Left;
    if (button == Qt::RightButton) return viewer::MouseButton::Right;
    return viewer::MouseButton::Other;
}

// The window system moves the window on its own and tells the program nothing when it is done:
// the move is over at the first sign that the button is up, anywhere in the program.
class MoveEndWatch final : public QObject {
public:
    MoveEndWatch(QObject* owner, std::function<void()> ended) : owner_(owner), ended_(std::move(ended)) {
        qApp->installEventFilter(this);
    }
    ~MoveEndWatch() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        bool over = false;
        switch (event->type()) {
            case QEvent::MouseButtonRelease:
            case QEvent::NonClientAreaMouseButtonRelease:
                over = true;
                break;
            case QEvent::MouseMove:
            case QEvent::NonClientAreaMouseMove:
                over = static_cast<QMouseEvent*>(event)->buttons() == Qt::NoButton;
                break;
            case QEvent::Enter:
            case QEvent::KeyPress:
                over = true;
                break;
            default:
                break;
        }
        // Queued, so the watch does not go while it is delivering; a window that has gone
        // meanwhile gets nothing.
        if (over && !fired_) {
            fired_ = true;
            QMetaObject::invokeMethod(owner_, ended_, Qt::QueuedConnection);
        }
        return false;
    }

private:
    QObject* owner_;
    std::function<void()> ended_;
    bool fired_ = false;
};

}  // namespace

void TForm1::buildTitleBarControls() {
    ImagePlus3 = new TImagePlus(this);
    ImagePlus3->setObjectName(QStringLiteral("ImagePlus3"));
    ImagePlus3->resize(kGripSize, kGripSize);
    ImagePlus3->hide();  // shown by the chrome, which places it; the desktop's frame resizes otherwise
    for (ClickLabel* label : {Label3, Label4})
        label->setCursor(Qt::PointingHandCursor);
}

void TForm1::connectTitleBarHandlers() {
    bindMouse(ImagePlus3, &TForm1::ImagePlus3MouseDown, &TForm1::ImagePlus3MouseMove, &TForm1::ImagePlus3MouseUp);
    bind(ImagePlus3, &TImagePlus::OnMouseEnter, &TForm1::ImagePlus3MouseEnter);
    bind(ImagePlus3, &TImagePlus::OnMouseLeave, &TForm1::ImagePlus3MouseLeave);
    Image1->installEventFilter(this);
    Panel1->installEventFilter(this);
}

bool TForm1::titleBarEventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == Image1) {
        if (type == QEvent::Enter) guarded([this] { Image1MouseEnter(); });
        if (type == QEvent::Leave) guarded([this] { Image1MouseLeave(); });
        if (type == QEvent::Wheel && cover_.hovered) {
            const int steps = cover_.wheel.Add(static_cast<QWheelEvent*>(event)->angleDelta().y());
            for (int i = 0; i < steps; ++i) guarded([this] { FormMouseWheelUp(); });
            for (int i = 0; i > steps; --i) guarded([this] { FormMouseWheelDown(); });
            return true;  // the wheel zooms the cover; it does not scroll it as well
        }
    }
    if (watched == Panel1 && type == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        // Only a click on the panel itself, not one its pages let through.
        if (mouse->button() == Qt::LeftButton && !Panel1->childAt(mouse->position().toPoint()))
            guarded([this] { Panel1Click(); });
    }
    return false;
}

viewer::ChromeButtons TForm1::chromeButtons() const {
    viewer::ChromeButtons b;
    b.title = {{Image3->width(), Image3->height()}, chrome_.TitleLineHeight, chrome_.Bitmaps.SizeOf("z_ib_close")};
    b.zoomOutAt = cover_.zoomOut;
    b.zoomInAt = cover_.zoomIn;
    b.zoomOut = chrome_.Bitmaps.SizeOf("tb_minus");
    b.zoomIn = chrome_.Bitmaps.SizeOf("tb_plus");
    b.panelClose = chrome_.Bitmaps.SizeOf("b_cansel");
    b.panelOpen = viewer::PageOverBookArea(nav_.PanelPage);
    return b;
}

void TForm1::drawOnChrome(const std::vector<viewer::ButtonDraw>& draws) {
    if (draws.empty() || !chrome_.skinApplied) return;
    QImage& canvas = Image3->Canvas();
    QPainter painter(&canvas);
    for (const viewer::ButtonDraw& d : draws) {
        const QImage& bitmap = chrome_.Bitmaps.Get(d.bitmap);
        if (bitmap.isNull()) continue;
        painter.drawImage(d.at.x, d.at.y, bitmap);
        Image3->update(QRect(QPoint(d.at.x, d.at.y), bitmap.size()));
    }
}

void TForm1::paintPanelCloseButton(const char* bitmap) {
    drawOnChrome({{bitmap, viewer::PanelCloseAt(chromeButtons())}});
}

void TForm1::Image3MouseDown(Qt::MouseButton button, int x, int y) {
    const viewer::ChromePress press = viewer::PressOnChrome(chromeButtons(), Button(button), x, y);
    if (press.panelClosePressed) paintPanelCloseButton("b_cansel_p");
    if (press.popUpMenu) PopupMenu1->popup(Image3->mapToGlobal(QPoint(x, y)));
    if (press.naturalSize) coverNaturalSize();
    if (press.zoomStep != 0) zoomCover(press.zoomStep);
    if (press.closeWindow) {
        close();
        return;
    }
    if (press.moveWindow) beginTitleMove(x, y);
}

void TForm1::Image3MouseMove(int x, int y) {
    if (titleMove_.dragging) {
        move(Image3->mapToGlobal(QPoint(x, y)) - titleMove_.dragGrab);
        return;
    }
    if (titleMove_.watch) return;
    drawOnChrome(viewer::HoverOnChrome(chromeButtons(), x, y));
}

void TForm1::Image3MouseUp(Qt::MouseButton, int x, int y) {
    if (titleMove_.dragging) {
        endTitleMove();
        return;
    }
    if (viewer::ReleaseClosesPanel(chromeButtons(), x, y)) ClosePanelPage();
}

// The window is see-through while it moves. The desktop moves it where it can (on Wayland
// nothing else can); elsewhere it follows the mouse until the release.
void TForm1::beginTitleMove(int x, int y) {
    setAlpha(viewer::kMoveAlpha);
    titleMove_.watch = std::make_unique<MoveEndWatch>(this, [this] { endTitleMove(); });
    if (windowHandle() && windowHandle()->startSystemMove()) return;
    titleMove_.dragging = true;
    titleMove_.dragGrab = Image3->mapToGlobal(QPoint(x, y)) - pos();
}

// After a move the window is opaque again, whatever the menu had set, and its chrome is
// painted afresh with what now lies above it. The window stays where it was put.
void TForm1::endTitleMove() {
    if (!titleMove_.watch) return;
    titleMove_.watch.reset();
    titleMove_.dragging = false;
    setAlpha(titleMove_.savedAlpha);
    guarded([this] {
        N31Click();
        N121Click();
    });
}

void TForm1::setAlpha(int alpha) { setWindowOpacity(viewer::OpacityOf(alpha)); }

// ---- Cover zoom ----

void TForm1::zoomCover(int step) {
    const QPixmap picture = Image1->pixmap();
    if (picture.isNull() || Image1->isHidden()) return;  // no cover shown: nothing to zoom
    const std::optional<viewer::Size> size = viewer::ZoomStep({Image1->width(), Image1->height()}, step);
    if (!size) return;
    Image1->setScaledContents(true);
    Image1->resize(size->width, size->height);
}

void TForm1::coverNaturalSize() {
    Image1->setScaledContents(false);
    Image1->adjustSize();
}

void TForm1::FormMouseWheelUp() {
    if (cover_.hovered) zoomCover(viewer::kZoomStep);
}

void TForm1::FormMouseWheelDown() {
    if (cover_.hovered) zoomCover(-viewer::kZoomStep);
}

void TForm1::Image1MouseEnter() { cover_.hovered = true; }

void TForm1::Image1MouseLeave() { cover_.hovered = false; }

// ---- Resize grip ----

// The grip shows the chrome under it with the usual ridges of a size grip.
void TForm1::paintGrip() {
    if (!ImagePlus3) return;
    const QRect at(ImagePlus3->pos(), ImagePlus3->size());
    QImage& grip = ImagePlus3->Canvas();
    grip = Image3->Canvas().copy(at);
    QPainter painter(&grip);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QColor ridge =
        Q(viewer::ReadIntColour(*config_.ColorIni, "Dialog", "TextColor", viewer::kDefaultPanelColour));
    const int s = std::min(grip.width(), grip.height());
    for (int i = 1; i <= 3; ++i) {
        const int from = s - 4 * i - 2;
        painter.setPen(QPen(ridge, 1));
        painter.drawLine(from, s - 3, s - 3, from);
        painter.setPen(QPen(ridge.lighter(170), 1));
        painter.drawLine(from + 1, s - 3, s - 3, from + 1);
    }
    painter.end();
    ImagePlus3->show();
    ImagePlus3->raise();
    ImagePlus3->Changed();
}

void TForm1::ImagePlus3MouseEnter() {
    ImagePlus3->setCursor(Qt::SizeAllCursor);
    Label12->setText(QStringLiteral("Help: Resize window"));
}

void TForm1::ImagePlus3MouseLeave() { Label12->setText(QStringLiteral("Status: Wait")); }

void TForm1::ImagePlus3MouseDown(Qt::MouseButton button, int x, int y) {
    grip_.dragging = button == Qt::LeftButton;
    if (!grip_.dragging) return;
    grip_.grab = {x, y};
}

void TForm1::ImagePlus3MouseMove(int x, int y) {
    if (!grip_.dragging) return;
    const viewer::GripResize r =
        viewer::DragGrip({ImagePlus3->x(), ImagePlus3->y()}, {ImagePlus3->width(), ImagePlus3->height()}, {x, y},
                         grip_.grab, {this->x(), this->y()}, viewerui::FreeArea(this));
    if (r.window.at != viewer::Point{this->x(), this->y()}) move(r.window.at.x, r.window.at.y);
    resize(r.window.size.width, r.window.size.height);
    ImagePlus3->move(r.gripAt.x, r.gripAt.y);
}

// The size is stored for the next start and the layout; the window is then laid out and
// painted at it, with the see-through title line where that is on.
void TForm1::ImagePlus3MouseUp(Qt::MouseButton, int, int) {
    const viewer::Size stored = viewer::BoundWindowSize({width(), height()}, viewerui::FreeScreen(this));
    // Both in one write: the disk is waited for once.
    config_.OptionsIni->WriteIntegers(viewer::kSectionWindow, {{"Height", stored.height}, {"Width", stored.width}});
    grip_.dragging = false;
    if (!chrome_.skinApplied) return;
    Image3->Clear();
    N31Click();
    if (config_.SeeThroughTitles()) N121Click();
}
