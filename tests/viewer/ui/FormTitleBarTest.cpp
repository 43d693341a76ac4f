// Guards the title bar and the window menu driven through the form: the menu opened once from
// the title line and never a close on a right click, opened at the pointer from the category
// list, the story index and the page grid, a move that is see-through while it lasts
// and opaque after it, the transparency values as window opacity, always-on-top toggled, the
// tray (hidden and brought back where a tray exists, not offered elsewhere, its "Exit" ending
// the program), the cover zoom by buttons and wheel, the grip storing a bounded size, the
// page's close button on the chrome, the menu labels' hover colours, and the About box's place,
// texts, gesture and link.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollArea>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include "AboutBox.h"
#include "CatalogFixture.h"
#include "ChromeImage.h"
#include "ClickLabel.h"
#include "HelpFolder.h"
#include "Identity.h"
#include "SystemTray.h"
#include "TForm1.h"
#include "TImagePlus.h"
#include "WindowLayout.h"
#include "WindowMenu.h"
#include "platform/IniFile.h"

using testsupport::ClickItem;
using testsupport::Installation;

namespace {

// The test skin's bitmaps (SkinFixture.h): z_ib_close 14 x 12 in (200, 0, 0), its hover state
// (201, 0, 0); tb_plus and tb_minus 18 x 16; b_cansel 20 x 20 in (90, 0, 90), hover (91, 0, 91),
// pressed (92, 0, 92).
void WriteSkinned(const Installation& inst) {
    inst.WriteMinimal();
    inst.Write("skins/Classic/color.ini",
               "[Window]\r\nColorfon=15790320\r\n[Menu]\r\nColortext=4210752\r\nColortextactive=255\r\n"
               "[Editor]\r\nColortextRead=255\r\n[Dialog]\r\nTextColor=32768\r\n");
    inst.Write("skins/Classic/size.ini", "[Form]\r\nHeightLine=24\r\n");
    inst.Write("skins/skins.txt", "Classic\r\n");
}

int Alpha(const QWidget& w) { return qRound(w.windowOpacity() * 255); }

viewer::Size FormScreen(const QWidget& form) {
    const QRect free = (form.screen() ? form.screen() : QGuiApplication::primaryScreen())->availableGeometry();
    return {free.width(), free.height()};
}

// The answer to "is there a tray?" for the test's scope.
class TrayGuard {
public:
    explicit TrayGuard(bool available) : previous_(viewerui::SetSystemTrayAvailable(available)) {}
    ~TrayGuard() { viewerui::SetSystemTrayAvailable(previous_); }

private:
    std::optional<bool> previous_;
};

std::vector<std::string> VisibleCaptions(const QMenu* menu) {
    std::vector<std::string> out;
    for (const QAction* a : menu->actions())
        if (a->isVisible()) out.push_back(S(a->text()));
    return out;
}

// Walks the catalog to a sub-list of Звёздные миры, as the mouse does.
void OpenSubList(TForm1& form, const char* subList) {
    ClickItem(form.ListBox8, "Фантастика");
    ClickItem(form.ListBox2, "Звёздные миры");
    ClickItem(form.ListBox9, subList);
}

struct Window {
    Window() {
        WriteSkinned(inst);
        form.emplace();
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&*form));
    }
    Installation inst;
    std::optional<TForm1> form;
};

}  // namespace

TEST(FormTitleBar, TitleLineOpensTheMenuOnceAndOnlyTheCloseButtonCloses) {
    Window w;
    TForm1& form = *w.form;
    QSignalSpy shown(form.PopupMenu1, &QMenu::aboutToShow);
    const int closeX = form.width() - 5 - 7;

    // A right press on the title line: the menu, once, also when the press goes on as a
    // context-menu request.
    QTest::mousePress(form.Image3, Qt::RightButton, {}, QPoint(100, 5));
    QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(100, 5), form.Image3->mapToGlobal(QPoint(100, 5)));
    QApplication::sendEvent(form.Image3, &request);
    EXPECT_EQ(shown.count(), 1);
    form.PopupMenu1->hide();

    // On the close button a right press only opens the menu.
    form.Image3MouseDown(Qt::RightButton, closeX, 10);
    EXPECT_EQ(shown.count(), 2);
    EXPECT_TRUE(form.isVisible());
    form.PopupMenu1->hide();

    // Right of the close button, below the title line, and with the right button elsewhere:
    // nothing moves, nothing closes.
    for (const QPoint at : {QPoint(form.width() - 2, 5), QPoint(100, 30)}) {
        form.Image3MouseDown(Qt::LeftButton, at.x(), at.y());
        EXPECT_FALSE(form.TitleMoveRunning()) << at.x() << "," << at.y();
        form.Image3MouseUp(Qt::LeftButton, at.x(), at.y());
    }
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(shown.count(), 2);

    // The menu opens where the title line was pressed, and nowhere else on the window.
    QContextMenuEvent elsewhere(QContextMenuEvent::Mouse, QPoint(5, 5), form.Memo2->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(form.Memo2->viewport(), &elsewhere);
    EXPECT_EQ(shown.count(), 2);

    form.Image3MouseDown(Qt::LeftButton, closeX, 10);
    EXPECT_FALSE(form.isVisible());
}

TEST(FormTitleBar, MoveIsSeeThroughAndEndsOpaqueWhereTheWindowWasPut) {
    Window w;
    TForm1& form = *w.form;
    form.N6251->trigger();  // "50 %"
    EXPECT_EQ(Alpha(form), 128);
    const QPoint before = form.pos();

    // The offscreen platform moves no window itself: the window follows the mouse.
    form.Image3MouseDown(Qt::LeftButton, 100, 5);
    EXPECT_TRUE(form.TitleMoveRunning());
    EXPECT_EQ(Alpha(form), viewer::kMoveAlpha);
    form.Image3MouseMove(140, 25);
    form.Image3MouseUp(Qt::LeftButton, 140, 25);
    QApplication::processEvents();
    EXPECT_FALSE(form.TitleMoveRunning());
    EXPECT_EQ(Alpha(form), 255);
    EXPECT_EQ(form.pos(), before + QPoint(40, 20));
    EXPECT_EQ(form.Image3->Picture().size(), form.size());
    EXPECT_TRUE(w.inst.dialogs.empty()) << w.inst.dialogs.front();
}

// The menu opens where the right click was, inside the control's frame.
TEST(FormTitleBar, TheListsAndThePageGridOpenTheMenuAtThePointer) {
    Installation inst;
    WriteSkinned(inst);
    testsupport::WriteCatalog(inst);
    inst.Write("help/index.texx", "2\r\n2\r\nongrid\r\nСправка\r\nAAAM\r\n120\r\n22\r\n");
    TForm1 form;
    form.show();
    form.move(0, 0);  // wholly on the screen, so the menu is not moved to fit it
    struct Case {
        const char* name;
        void (*open)(TForm1&);
        QAbstractScrollArea* (*control)(TForm1&);
    };
    const Case cases[] = {
        {"categories", [](TForm1&) {}, [](TForm1& f) -> QAbstractScrollArea* { return f.ListBox8; }},
        {"story index", [](TForm1& f) { OpenSubList(f, "Список рассказов"); }, [](TForm1& f) -> QAbstractScrollArea* { return f.ListBox4; }},
        {"help page", [](TForm1& f) { f.N0000931->trigger(); }, [](TForm1& f) -> QAbstractScrollArea* { return f.StringGrid1; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.open(form);
        QAbstractScrollArea* control = c.control(form);
        ASSERT_TRUE(control->isVisible());
        QWidget* viewport = control->viewport();
        ASSERT_NE(viewport->pos(), QPoint(0, 0)) << "without a frame the two points are one";
        const QPoint at(12, 8);
        QContextMenuEvent request(QContextMenuEvent::Mouse, at, viewport->mapToGlobal(at));
        QApplication::sendEvent(viewport, &request);
        ASSERT_TRUE(form.PopupMenu1->isVisible());
        EXPECT_EQ(form.PopupMenu1->pos(), viewport->mapToGlobal(at));
        form.PopupMenu1->hide();
    }
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
}

TEST(FormTitleBar, MenuItemsInOrderAndTransparencyAsWindowOpacity) {
    TrayGuard tray(true);
    Window w;
    TForm1& form = *w.form;
    form.PopupMenu1->popup(QPoint(10, 10));
    EXPECT_EQ(VisibleCaptions(form.PopupMenu1),
              (std::vector<std::string>{"Minimize to tray", "Transparency value", "Always on top", "Exit"}));
    form.PopupMenu1->hide();
    EXPECT_EQ(VisibleCaptions(form.N621->menu()),
              (std::vector<std::string>{"100 %", "90 %", "80 %", "75 %", "50 %", "25 %"}));

    const QPoint at = form.pos();
    const QSize size = form.size();
    const std::pair<QAction*, int> items[] = {{form.N6221, 230}, {form.N6231, 204}, {form.N6241, 192},
                                              {form.N6251, 128}, {form.N6261, 64},  {form.N6211, 255}};
    for (const auto& [item, alpha] : items) {
        SCOPED_TRACE(S(item->text()));
        item->trigger();
        EXPECT_EQ(Alpha(form), alpha);
        EXPECT_EQ(form.pos(), at);  // "100 %" repaints the window where it stands
        EXPECT_EQ(form.size(), size);
    }
    // The values are not stored.
    EXPECT_EQ(platform::IniFile(w.inst.dir() / "options.ini").ReadString("Window", "TransparencyOnOff", ""), "on");
}

TEST(FormTitleBar, AlwaysOnTopToggledTwiceIsNormalAgain) {
    Window w;
    TForm1& form = *w.form;
    EXPECT_EQ(form.N71->shortcut(), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_A));
    const QPoint at = form.pos();
    form.N71->trigger();
    EXPECT_TRUE(form.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(form.N71->isChecked());
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.windowFlags() & Qt::FramelessWindowHint);
    form.N71Click();  // run from code, as the item does
    EXPECT_FALSE(form.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(form.N71->isChecked());
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.pos(), at);
}

TEST(FormTitleBar, TrayHidesAndItsIconBringsTheWindowBack) {
    {
        TrayGuard tray(true);
        Window w;
        TForm1& form = *w.form;
        EXPECT_EQ(form.N61->shortcut(), QKeySequence(Qt::Key_F11));
        EXPECT_TRUE(form.N61->isVisible());
        EXPECT_EQ(form.TrayIcon1->contextMenu(), form.PopupMenu1);
        form.N61->trigger();
        EXPECT_FALSE(form.isVisible());
        form.N61->trigger();  // from the tray's menu: nothing more to hide
        EXPECT_FALSE(form.isVisible());
        for (const auto reason : {QSystemTrayIcon::Trigger, QSystemTrayIcon::DoubleClick}) {
            form.hide();
            emit form.TrayIcon1->activated(reason);
            EXPECT_TRUE(form.isVisible());
        }
        emit form.TrayIcon1->activated(QSystemTrayIcon::Trigger);  // a shown window stays shown
        EXPECT_TRUE(form.isVisible());
    }
    // Without a tray the window could never come back: the item is not offered and does nothing.
    TrayGuard tray(false);
    Window w;
    TForm1& form = *w.form;
    form.PopupMenu1->popup(QPoint(10, 10));
    EXPECT_FALSE(form.N61->isVisible());
    form.PopupMenu1->hide();
    form.N61Click();
    EXPECT_TRUE(form.isVisible());
}

TEST(FormTitleBar, CoverZoomByButtonsAndWheel) {
    Installation inst;
    testsupport::WriteCatalog(inst);
    WriteSkinned(inst);
    TForm1 form;
    form.show();
    OpenSubList(form, "Первая");
    ClickItem(form.ListBox1, "Книга А");  // no cover of its own: noti.jpg, 40 x 30
    ASSERT_EQ(form.Image1->size(), QSize(40, 30));
    const QPoint zoomIn(form.Cover().zoomIn.x + 5, form.Cover().zoomIn.y + 5),
        zoomOut(form.Cover().zoomOut.x + 5, form.Cover().zoomOut.y + 5);

    form.Image3MouseDown(Qt::LeftButton, zoomIn.x(), zoomIn.y());
    EXPECT_EQ(form.Image1->size(), QSize(306, 230));
    EXPECT_TRUE(form.Image1->hasScaledContents());
    form.Image3MouseDown(Qt::LeftButton, zoomOut.x(), zoomOut.y());
    EXPECT_EQ(form.Image1->size(), QSize(39, 30));
    form.Image3MouseDown(Qt::LeftButton, zoomOut.x(), zoomOut.y());  // would leave no height
    EXPECT_EQ(form.Image1->size(), QSize(39, 30));
    form.Image3MouseDown(Qt::RightButton, zoomIn.x(), zoomIn.y());
    EXPECT_EQ(form.Image1->size(), QSize(40, 30));
    EXPECT_FALSE(form.Image1->hasScaledContents());

    // The wheel zooms only while the mouse is over the cover, a step a notch.
    const auto wheel = [&](int delta) {
        QWheelEvent event(QPointF(5, 5), form.Image1->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(form.Image1, &event);
    };
    wheel(120);
    EXPECT_EQ(form.Image1->size(), QSize(40, 30));
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), form.Image1->mapToGlobal(QPointF(5, 5)));
    QApplication::sendEvent(form.Image1, &enter);
    EXPECT_TRUE(form.Cover().hovered);
    wheel(120);
    EXPECT_EQ(form.Image1->size(), QSize(306, 230));
    wheel(-60);
    wheel(-60);
    EXPECT_EQ(form.Image1->size(), QSize(39, 30));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(form.Image1, &leave);
    EXPECT_FALSE(form.Cover().hovered);
    wheel(120);
    EXPECT_EQ(form.Image1->size(), QSize(39, 30));

    // A new book starts at its natural size.
    ClickItem(form.ListBox1, "Книга Б");
    EXPECT_EQ(form.Image1->size(), QSize(40, 30));
    EXPECT_FALSE(form.Image1->hasScaledContents());
}

TEST(FormTitleBar, GripResizesTheWindowAndStoresABoundedSize) {
    Window w;
    TForm1& form = *w.form;
    TImagePlus* grip = form.ImagePlus3;
    ASSERT_TRUE(grip);
    EXPECT_TRUE(grip->isVisible());
    EXPECT_EQ(grip->geometry(), QRect(form.width() - 20, form.height() - 20, 20, 20));
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), grip->mapToGlobal(QPointF(5, 5)));
    QApplication::sendEvent(grip, &enter);
    EXPECT_EQ(form.Label12->text(), QStringLiteral("Help: Resize window"));
    EXPECT_EQ(grip->cursor().shape(), Qt::SizeAllCursor);

    const viewer::Size screen = FormScreen(form);
    const QSize start = form.size();
    platform::IniFile options(w.inst.dir() / "options.ini");
    const auto stored = [&] {
        return QSize(options.ReadInteger("Window", "Width", -1), options.ReadInteger("Window", "Height", -1));
    };
    // Dragged 100 down: the window follows, as far as the screen lets it; the size is stored on
    // release and the window is laid out and painted at it.
    form.ImagePlus3MouseDown(Qt::LeftButton, 5, 5);
    EXPECT_TRUE(form.Grip().dragging);
    form.ImagePlus3MouseMove(5, 105);
    const viewer::Size taller = viewer::BoundWindowSize({start.width(), start.height() + 100}, screen);
    ASSERT_GT(taller.height, start.height());  // the test's screen leaves room to grow
    EXPECT_EQ(form.size(), QSize(taller.width, taller.height));
    EXPECT_EQ(grip->pos(), QPoint(taller.width - 20, taller.height - 20));
    form.ImagePlus3MouseUp(Qt::LeftButton, 5, 105);
    EXPECT_FALSE(form.Grip().dragging);
    EXPECT_EQ(stored(), form.size());
    EXPECT_EQ(form.Image3->Picture().size(), form.size());
    EXPECT_EQ(form.Memo2->geometry().bottom(), form.height() - 31);

    // Dragged far up and left: the smallest window the screen allows, never zero or below.
    form.ImagePlus3MouseDown(Qt::LeftButton, 5, 5);
    form.ImagePlus3MouseMove(5 - 3000, 5 - 3000);
    const viewer::Size least = viewer::BoundWindowSize({0, 0}, screen);
    EXPECT_EQ(form.size(), QSize(least.width, least.height));
    form.ImagePlus3MouseUp(Qt::LeftButton, 5, 5);
    EXPECT_EQ(stored(), QSize(least.width, least.height));
    EXPECT_GT(least.width, 0);
    EXPECT_GT(least.height, 0);
    // Nor can any other resize, the window system's own included, make it smaller.
    EXPECT_EQ(form.minimumSize(), QSize(least.width, least.height));
    form.resize(100, 50);
    EXPECT_EQ(form.size(), QSize(least.width, least.height));

    // Moves without a press move nothing; a right press starts no drag.
    form.ImagePlus3MouseMove(100, 100);
    form.ImagePlus3MouseDown(Qt::RightButton, 5, 5);
    form.ImagePlus3MouseMove(100, 100);
    EXPECT_EQ(form.size(), QSize(least.width, least.height));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(grip, &leave);
    EXPECT_EQ(form.Label12->text(), QStringLiteral("Status: Wait"));
}

TEST(FormTitleBar, PagesCloseButtonOnTheChrome) {
    Window w;
    TForm1& form = *w.form;
    const auto at = [&](QPoint p) { return form.Image3->Picture().pixelColor(p); };
    const QPoint button(form.width() - 25 - 20, form.height() - 30 - 20);
    const QPoint inButton = button + QPoint(10, 10), inZone = button + QPoint(35, 35);

    // Without a page the zone is nothing.
    form.Image3MouseDown(Qt::LeftButton, inButton.x(), inButton.y());
    form.Image3MouseUp(Qt::LeftButton, inButton.x(), inButton.y());
    EXPECT_TRUE(form.Panel1->isHidden());

    form.Label2Click();
    ASSERT_EQ(form.Navigation().PanelPage, "options");
    EXPECT_EQ(at(inButton), QColor(90, 0, 90));
    form.Image3MouseMove(inZone.x(), inZone.y());
    EXPECT_EQ(at(inButton), QColor(91, 0, 91));
    form.Image3MouseMove(10, 300);
    EXPECT_EQ(at(inButton), QColor(90, 0, 90));
    // The press shows the button pressed and closes nothing; a release elsewhere closes nothing.
    form.Image3MouseDown(Qt::LeftButton, inButton.x(), inButton.y());
    EXPECT_EQ(at(inButton), QColor(92, 0, 92));
    EXPECT_FALSE(form.Panel1->isHidden());
    form.Image3MouseUp(Qt::LeftButton, 10, 300);
    EXPECT_FALSE(form.Panel1->isHidden());
    // The release inside the zone closes the page, wherever the press was.
    form.Image3MouseUp(Qt::LeftButton, inZone.x(), inZone.y());
    EXPECT_TRUE(form.Panel1->isHidden());
    EXPECT_EQ(form.Navigation().PanelPage, "");
    for (QWidget* back : {static_cast<QWidget*>(form.Memo2), static_cast<QWidget*>(form.ListBox1),
                          static_cast<QWidget*>(form.ScrollBox1)})
        EXPECT_FALSE(back->isHidden()) << S(back->objectName());
    // Its button goes with it, and comes back with the page.
    EXPECT_NE(at(inButton), QColor(90, 0, 90));
    form.Label2Click();
    EXPECT_FALSE(form.Panel1->isHidden());
    EXPECT_EQ(at(inButton), QColor(90, 0, 90));
}

TEST(FormTitleBar, MenuLabelsChangeColourUnderTheMouse) {
    Window w;
    TForm1& form = *w.form;
    for (ClickLabel* label : {form.Label2, form.Label3, form.Label4}) {
        SCOPED_TRACE(S(label->text()));
        EXPECT_FALSE(label->isHidden());
        QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), label->mapToGlobal(QPointF(1, 1)));
        QApplication::sendEvent(label, &enter);
        EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        const QImage drawn = label->grab().toImage();
        int red = 0;
        for (int y = 0; y < drawn.height(); ++y)
            for (int x = 0; x < drawn.width(); ++x) {
                const QColor c = drawn.pixelColor(x, y);
                red += c.red() > 150 && c.green() < 90 && c.blue() < 90;
            }
        EXPECT_GT(red, 5) << "the text is drawn in the colour";
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(label, &leave);
        EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(64, 64, 64));
    }
    // The three stand apart in the menu row, none under another.
    EXPECT_LT(form.Label2->geometry().right(), form.Label4->x());
    EXPECT_LT(form.Label4->geometry().right(), form.Label3->x());
}

TEST(FormTitleBar, AboutBoxPlaceTextsGestureAndLink) {
    Window w;
    TForm1& form = *w.form;
    w.inst.Write("help/index.texx", "2\r\n2\r\nongrid\r\nСправка\r\nAAAM\r\n120\r\n22\r\n");
    testsupport::RecordingOpener opener;
    // The box's place is worked out from any window size, also one below the window's least.
    form.setMinimumSize(0, 0);
    form.resize(600, 500);
    form.Label3Click();
    ASSERT_FALSE(form.Panel2->isHidden());
    EXPECT_EQ(form.Panel2->geometry(), QRect(64, 102, 473, 297));
    EXPECT_EQ(form.ImagePlus1->geometry(), QRect(1, 1, 471, 295));
    EXPECT_EQ(form.ImagePlus2->geometry(), QRect(20, 52, 230, 222));
    EXPECT_EQ(form.Label11->pos(), QPoint(272, 207));
    EXPECT_EQ(form.Label11->text(), QStringLiteral("vantorbooks.example.org/"));

    // Each text in its colour where it starts, on black.
    const QImage painted = form.ImagePlus1->Picture();
    const auto count = [&](QRect r, auto is) {
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) n += is(painted.pixelColor(x, y));
        return n;
    };
    const auto red = [](QColor c) { return c.red() > 200 && c.green() < 60; };
    const auto lime = [](QColor c) { return c.green() > 200 && c.red() < 60; };
    EXPECT_GT(count({207, 15, 60, 12}, red), 10);
    for (int y : {87, 111, 135, 159, 183}) EXPECT_GT(count({271, y, 60, 12}, lime), 10) << y;
    EXPECT_EQ(painted.pixelColor(100, 280), QColor(Qt::black));
    const int firstCredit = count({271, 159, 190, 14}, lime);

    // The corner, then the credit zone: the other credit, and the box stays.
    form.ImagePlus1MouseUp(Qt::LeftButton, 5, 290);
    EXPECT_FALSE(form.Panel2->isHidden());
    form.ImagePlus1MouseUp(Qt::LeftButton, 300, 165);
    EXPECT_FALSE(form.Panel2->isHidden());
    const QImage other = form.ImagePlus1->Picture();
    EXPECT_NE(other.copy(271, 159, 190, 14), painted.copy(271, 159, 190, 14));
    EXPECT_EQ(other.copy(271, 87, 190, 14), painted.copy(271, 87, 190, 14));
    // Painted again, it has the first credit.
    form.Label3Click();
    form.Label3Click();
    EXPECT_EQ(count({271, 159, 190, 14}, lime), firstCredit);
    // The credit zone without the corner closes the box.
    form.ImagePlus1MouseUp(Qt::LeftButton, 300, 165);
    EXPECT_TRUE(form.Panel2->isHidden());

    // The link: underlined under the mouse, opens the product page with its scheme.
    form.Label3Click();
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), form.Label11->mapToGlobal(QPointF(1, 1)));
    QApplication::sendEvent(form.Label11, &enter);
    EXPECT_TRUE(form.Label11->font().underline());
    QTest::mouseClick(form.Label11, Qt::LeftButton, {}, QPoint(3, 3));
    ASSERT_EQ(opener.opened.size(), 1u);
    EXPECT_EQ(opener.opened[0].string(), viewer::kWebsite);
    EXPECT_FALSE(form.Label11->font().underline());
    {
        // Without a browser the user hears of it, with the address.
        testsupport::RecordingOpener noBrowser("no web browser is set up");
        QTest::mouseClick(form.Label11, Qt::LeftButton, {}, QPoint(3, 3));
        ASSERT_EQ(w.inst.dialogs.size(), 1u);
        EXPECT_EQ(w.inst.dialogs.front(),
                  "error: Cannot open \"" + std::string(viewer::kWebsite) + "\": no web browser is set up.");
        w.inst.dialogs.clear();
    }

    // The picture closes the box; "Options" and "Help" close it too.
    QTest::mouseClick(form.ImagePlus2, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_TRUE(form.Panel2->isHidden());
    for (void (TForm1::*label)() : {&TForm1::Label2Click, &TForm1::Label4Click}) {
        form.Label3Click();
        ASSERT_FALSE(form.Panel2->isHidden());
        (form.*label)();
        EXPECT_TRUE(form.Panel2->isHidden());
    }
}

TEST(FormTitleBar, HelpFromTheListOfBooksPageOpensTheHelpPage) {
    Installation inst;
    testsupport::WriteCatalog(inst);
    WriteSkinned(inst);
    inst.Write("help/index.texx", "2\r\n2\r\nongrid\r\nСправка\r\nAAAM\r\n120\r\n22\r\n");
    TForm1 form;
    form.show();
    OpenSubList(form, "Список книг");
    ASSERT_EQ(form.Navigation().PanelPage, "listbooks");
    form.Label4Click();
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
    EXPECT_EQ(form.Navigation().PanelPage, "help");
    EXPECT_FALSE(form.Panel1->isHidden());
    EXPECT_FALSE(form.StringGrid1->isHidden());
    EXPECT_EQ(form.Navigation().CurrentTexxFile, viewer::HelpIndexPage(form.Config().ProgramDir));
    form.Label4Click();
    EXPECT_TRUE(form.Panel1->isHidden());
    EXPECT_EQ(form.Navigation().PanelPage, "");
}

TEST(FormTitleBar, ExitFromTheTrayEndsTheProgram) {
    TrayGuard tray(true);
    Window w;
    TForm1& form = *w.form;
    form.N61Click();
    // "Exit" from the tray's menu while the window is hidden ends the message loop.
    bool stillRunning = false;
    QTimer::singleShot(0, &form, [&] { form.N81->trigger(); });
    QTimer::singleShot(3000, [&] {
        stillRunning = true;
        QApplication::quit();
    });
    QApplication::exec();
    EXPECT_FALSE(stillRunning);
}
