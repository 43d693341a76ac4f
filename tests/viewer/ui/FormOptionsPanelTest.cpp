// Guards the options and help panel in the window: the options page opens over the book on
// its "Skins" page with an opaque painted ground, its frames, the highlighted entry and its
// one close button (on the chrome's status line, which is given back when the panel closes;
// on the panel itself only where no chrome carries one);
// the menu switches the sub-pages, each showing only its own controls and the update log with
// its lines, and never the window's notice; the update options write options.ini; the two
// toggles switch and close their pages and leave the list-of-books page alone; the help page
// loads the help folder's start page with its links; the drag by the title line moves the
// panel, ends on any release and shows it again on the "Skins" page, and is apart from the
// resize grip's; a click on the panel's bare edge closes the page as the close button on the
// window's status line does; a change of skin repaints the panel; and without a skin both
// panels open in the desktop's colours.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QScrollArea>
#include <QTableWidget>
#include <QTest>

#include "CatalogFixture.h"
#include "ClickLabel.h"
#include "PanelFixture.h"
#include "TForm1.h"
#include "TImagePlus.h"
#include "platform/IniFile.h"

using testsupport::Installation;
using testsupport::ShownAt;

namespace {

const QColor kFon(240, 240, 240);     // [Window] ColorFon 15790320
const QColor kBorder(255, 0, 0);      // [Dialog] BorderlineColor 255
const QColor kSelected(0, 255, 0);    // [Dialog] SelmenuColor 65280
const QColor kText(0, 0, 128);        // [Dialog] TextColor 8388608

void WriteOptionsInstallation(const Installation& inst, const char* transparency = "off") {
    testsupport::WritePanelInstallation(inst, transparency);
    inst.Write("skins/Classic/color.ini",
               "[Window]\r\nColorfon=15790320\r\n[Dialog]\r\nBorderlineColor=255\r\nSelmenuColor=65280\r\n"
               "TextColor=8388608\r\n[Editor]\r\nColortextRead=255\r\n");
    inst.Write("skins/skins.txt", "Classic\r\nForest\r\nWindows\r\n");
    inst.WriteSkin("Forest");
    inst.Write("skins/Forest/color.ini", "[Window]\r\nColorfon=255\r\n");
    inst.Write("help/index.texx", "2\r\n3\r\nongrid\r\nСправка\r\nДалее\r\n\r\nAF!openfile(second.texx)\r\n300\r\n20\r\n20\r\n");
    inst.Write("help/second.texx", "2\r\n2\r\nongrid\r\nВторая страница\r\n\r\n300\r\n20\r\n");
}

QColor At(const ChromeImage* image, QPoint p) { return image->Picture().pixelColor(p); }

// The panel's close button and the chrome's, for the test skin's 20 x 20 b_cansel.
QPoint PanelCancel(const TForm1& f) { return {f.ImagePlus5->width() - 45 + 10, f.ImagePlus5->height() - 45 + 10}; }
QPoint ChromeCancel(const TForm1& f) { return {f.Image3->width() - 45 + 2, f.Image3->height() - 50 + 2}; }

void ClickOn(TForm1& f, QPoint at) { QTest::mouseClick(f.ImagePlus5, Qt::LeftButton, {}, at); }

// The window on that installation, in the skin named, with its options page opened from the
// "Options" label.
struct OptionsOpen {
    explicit OptionsOpen(const char* skin = "Classic") {
        WriteOptionsInstallation(inst);
        inst.Write("skins/skin_select.txt", std::string(skin) + "\r\n");
        form.emplace();
        form->show();
        emit form->Label2->clicked();
    }
    Installation inst;
    std::optional<TForm1> form;
};

}  // namespace

TEST(FormOptionsPanel, OpensOverTheBookOnItsSkinsPage) {
    for (const char* transparency : {"off", "on"}) {
        SCOPED_TRACE(transparency);
        Installation inst;
        WriteOptionsInstallation(inst, transparency);
        TForm1 form;
        form.show();
        const QColor chromeBefore = At(form.Image3, ChromeCancel(form));
        emit form.Label2->clicked();

        EXPECT_EQ(form.Navigation().PanelPage, "options");
        EXPECT_EQ(form.Navigation().OptionsPage, "skins");
        ASSERT_TRUE(form.Panel1->isVisible());
        EXPECT_EQ(form.Panel1->geometry(),
                  QRect(form.Edit3->x(), form.Edit3->y(), form.width() - 20,
                        form.Memo2->y() + form.Memo2->height() - form.StringGrid3->y() - 50));
        EXPECT_EQ(form.ImagePlus5->geometry(), QRect(QPoint(0, 0), form.Panel1->size()));
        EXPECT_EQ(form.ImagePlus5->Picture().size(), form.Panel1->size()) << "the picture does not cover the panel";
        EXPECT_FALSE(form.Memo2->isVisible() || form.ListBox1->isVisible() || form.ScrollBox1->isVisible());

        // Its ground, frames and highlighted entry; the skin list in the content area.
        EXPECT_EQ(At(form.ImagePlus5, {400, 40}), kFon);
        EXPECT_EQ(At(form.ImagePlus5, {15, 300}), kBorder);
        EXPECT_EQ(At(form.ImagePlus5, {230, 300}), kBorder);
        EXPECT_EQ(At(form.ImagePlus5, {100, 60}), kSelected);
        EXPECT_EQ(At(form.ImagePlus5, {100, 150}), kFon);
        EXPECT_TRUE(form.GroupBox1->isVisible());
        EXPECT_EQ(form.GroupBox1->pos(), QPoint(245, 70));
        EXPECT_EQ(form.ListBox5->count(), 3);
        EXPECT_EQ(form.ListBox5->currentItem()->text(), QStringLiteral("Classic"));
        EXPECT_FALSE(form.CheckBox1->isVisible() || form.Label16->isVisible() || form.ListBox11->isVisible());

        // The title line and the close button are there with or without the see-through
        // setting; the title blends with the window only with it. The close button is the
        // chrome's alone.
        EXPECT_EQ(ShownAt(form.ImagePlus5, PanelCancel(form)), "") << "a second close button on the panel";
        EXPECT_EQ(ShownAt(form.ImagePlus5, {100, 3}) == "w_fon", std::string(transparency) == "off");
        EXPECT_EQ(ShownAt(form.Image3, ChromeCancel(form)), "b_cansel");

        emit form.Label2->clicked();
        EXPECT_FALSE(form.Panel1->isVisible());
        EXPECT_EQ(form.Navigation().PanelPage, "");
        EXPECT_TRUE(form.Memo2->isVisible() && form.ListBox1->isVisible() && form.ScrollBox1->isVisible());
        EXPECT_EQ(At(form.Image3, ChromeCancel(form)), chromeBefore) << "the chrome keeps the close button";
        EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
    }
}

TEST(FormOptionsPanel, TheMenuSwitchesTheSubPages) {
    OptionsOpen open;
    TForm1& form = *open.form;
    form.Label6->show();
    form.ListBox11->addItem(QStringLiteral("12:0:1 - No updates found"));

    ClickOn(form, {100, 145});  // "Update"
    EXPECT_EQ(form.Navigation().OptionsPage, "updateopt");
    for (QWidget* w : {static_cast<QWidget*>(form.CheckBox1), static_cast<QWidget*>(form.CheckBox2),
                       static_cast<QWidget*>(form.Label16), static_cast<QWidget*>(form.Label17),
                       static_cast<QWidget*>(form.ListBox11)}) {
        SCOPED_TRACE(w->objectName().toStdString());
        EXPECT_TRUE(w->isVisible());
        EXPECT_EQ(w->x(), 245);
    }
    EXPECT_EQ(form.CheckBox1->y(), 70);
    EXPECT_EQ(form.ListBox11->geometry(), QRect(245, form.Label17->y() + 25, 300, 200));
    EXPECT_EQ(form.ListBox11->count(), 1) << "the log keeps the last check's lines";
    // A long line is shown whole, wrapped within the log.
    form.ListBox11->addItem(QStringLiteral("12:0:2 - Update stopped: updatebase.zip could not be downloaded. "
                                           "The server answered with HTTP status 404"));
    QApplication::processEvents();
    EXPECT_EQ(form.ListBox11->horizontalScrollBar()->maximum(), 0);
    const QRect longLine = form.ListBox11->visualItemRect(form.ListBox11->item(1));
    EXPECT_GE(longLine.height(), 2 * form.ListBox11->fontMetrics().height()) << "the line is not wrapped";
    EXPECT_LE(longLine.right(), form.ListBox11->viewport()->width());
    delete form.ListBox11->takeItem(1);
    EXPECT_EQ(form.CheckBox1->palette().color(QPalette::WindowText), kText);
    EXPECT_FALSE(form.GroupBox1->isVisible());
    EXPECT_EQ(At(form.ImagePlus5, {100, 150}), kSelected);
    EXPECT_EQ(At(form.ImagePlus5, {100, 60}), kFon);

    ClickOn(form, {38, 83});  // left of the "Skins" zone: nothing
    EXPECT_EQ(form.Navigation().OptionsPage, "updateopt");
    ClickOn(form, {100, 83});  // "Skins"
    EXPECT_EQ(form.Navigation().OptionsPage, "skins");
    // The skin list takes [Editor] ColorFon and Colortext, as integers with their default.
    EXPECT_EQ(form.ListBox5->palette().color(QPalette::Base), QColor(188, 188, 188));
    EXPECT_EQ(form.ListBox5->palette().color(QPalette::Text), QColor(188, 188, 188));
    EXPECT_TRUE(form.GroupBox1->isVisible());
    EXPECT_FALSE(form.CheckBox1->isVisible() || form.Label17->isVisible() || form.ListBox11->isVisible());
    EXPECT_TRUE(form.Label6->isVisible()) << "the window's notice went with the update options";
}

TEST(FormOptionsPanel, UpdateOptionsWriteOptionsIniAndTheLogFollowsTheCheck) {
    OptionsOpen open;
    TForm1& form = *open.form;
    Installation& inst = open.inst;
    ClickOn(form, {100, 145});
    const auto stored = [&](const char* key) {
        return platform::IniFile(inst.dir() / "options.ini").ReadInteger("Update", key, -1);
    };
    ASSERT_FALSE(form.CheckBox1->isChecked());
    QTest::mouseClick(form.CheckBox1, Qt::LeftButton, {}, QPoint(8, form.CheckBox1->height() / 2));
    EXPECT_EQ(stored("Automatically check for updates of the database"), 1);
    QTest::mouseClick(form.CheckBox2, Qt::LeftButton, {}, QPoint(8, form.CheckBox2->height() / 2));
    EXPECT_EQ(stored("Automatically check for program updates"), 1);
    QTest::mouseClick(form.CheckBox1, Qt::LeftButton, {}, QPoint(8, form.CheckBox1->height() / 2));
    EXPECT_EQ(stored("Automatically check for updates of the database"), 0);

    emit form.Label16->clicked();  // "Check for updates now": no server here, the check fails
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form.Working(); }, 10000));
    ASSERT_EQ(form.ListBox11->count(), 2);
    EXPECT_TRUE(form.ListBox11->item(0)->text().endsWith(QStringLiteral(" - Start checking for updates")));
    EXPECT_NE(form.ListBox11->item(1)->text().indexOf(QStringLiteral(" - Update check failed: ")), -1);
    EXPECT_TRUE(form.ListBox11->isVisible());
}

TEST(FormOptionsPanel, TogglesSwitchAndCloseTheirPages) {
    Installation inst;
    WriteOptionsInstallation(inst);
    TForm1 form;
    form.show();
    form.N0000921->trigger();
    form.N0000931->trigger();  // Help replaces Options on the open panel
    EXPECT_EQ(form.Navigation().PanelPage, "help");
    EXPECT_TRUE(form.Panel1->isVisible());
    EXPECT_FALSE(form.ImagePlus5->isVisible());
    EXPECT_TRUE(form.StringGrid1->isVisible());
    EXPECT_EQ(form.StringGrid1->geometry(), QRect(QPoint(0, 0), form.Panel1->size()));
    EXPECT_EQ(form.Navigation().CurrentTexxFile, form.Config().ProgramDir + "\\help\\index.texx");
    EXPECT_EQ(form.Pages().CellCommands.At(1, 2).Command, "openfile");
    form.StringGrid1->setCurrentCell(2, 1);
    form.StringGrid1DblClick();
    EXPECT_EQ(form.Navigation().CurrentTexxFile, form.Config().ProgramDir + "\\help\\second.texx");

    form.N0000921->trigger();  // and Options replaces Help
    EXPECT_EQ(form.Navigation().PanelPage, "options");
    EXPECT_TRUE(form.ImagePlus5->isVisible());
    EXPECT_FALSE(form.StringGrid1->isVisible());
    form.N0000931->trigger();
    form.N0000931->trigger();  // Help again closes it
    EXPECT_FALSE(form.Panel1->isVisible());
    EXPECT_EQ(form.Navigation().PanelPage, "");
    EXPECT_TRUE(form.Memo2->isVisible());

    // The list-of-books page keeps the panel: neither toggle does anything.
    testsupport::WriteCatalog(inst);
    TForm1 books;
    books.show();
    testsupport::ClickItem(books.ListBox8, "Фантастика");
    testsupport::ClickItem(books.ListBox2, "Звёздные миры");
    testsupport::ClickItem(books.ListBox9, "Список книг");
    ASSERT_EQ(books.Navigation().PanelPage, "listbooks");
    books.N0000921->trigger();
    books.N0000931->trigger();
    EXPECT_EQ(books.Navigation().PanelPage, "listbooks");
    EXPECT_TRUE(books.StringGrid1->isVisible());
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
}

TEST(FormOptionsPanel, AHelpPageThatCannotBeReadLeavesThePanelClosed) {
    Installation inst;
    WriteOptionsInstallation(inst);
    std::filesystem::remove(inst.dir() / "help/index.texx");
    TForm1 form;
    form.show();
    emit form.N0000931->triggered();
    ASSERT_EQ(inst.dialogs.size(), 1u);
    EXPECT_NE(inst.dialogs.front().find("index.texx"), std::string::npos) << inst.dialogs.front();
    EXPECT_FALSE(form.Panel1->isVisible());
    EXPECT_EQ(form.Navigation().PanelPage, "");
    EXPECT_TRUE(form.Memo2->isVisible());
}

TEST(FormOptionsPanel, TheTitleLineDragsThePanel) {
    OptionsOpen open;
    TForm1& form = *open.form;
    ClickOn(form, {100, 145});
    const QPoint start = form.Panel1->pos();

    form.ImagePlus5MouseDown(Qt::LeftButton, 100, 5);
    form.ImagePlus5MouseMove(130, 20);  // the pointer moved, the panel not yet
    EXPECT_EQ(form.Panel1->pos(), start + QPoint(30, 15));
    form.ImagePlus5MouseMove(form.ImagePlus5->width() - 10, 10);  // the top-right corner
    EXPECT_EQ(form.Panel1->pos(), start + QPoint(30, 15));
    form.ImagePlus5MouseUp(Qt::LeftButton, 100, 5);
    EXPECT_TRUE(form.Panel1->isVisible());
    EXPECT_EQ(form.Panel1->pos(), start + QPoint(30, 15));
    EXPECT_EQ(form.Navigation().OptionsPage, "skins") << "a drag ends on the Skins page";
    EXPECT_TRUE(form.GroupBox1->isVisible());
    EXPECT_FALSE(form.ListBox11->isVisible());
    EXPECT_EQ(ShownAt(form.ImagePlus5, PanelCancel(form)), "");
    EXPECT_EQ(ShownAt(form.Image3, ChromeCancel(form)), "b_cansel");

    // A release anywhere ends the drag: the panel no longer follows the pointer.
    const QPoint moved = form.Panel1->pos();
    form.ImagePlus5MouseDown(Qt::LeftButton, 100, 5);
    form.ImagePlus5MouseUp(Qt::LeftButton, 300, 300);
    form.ImagePlus5MouseMove(200, 5);
    EXPECT_EQ(form.Panel1->pos(), moved);
    // Neither a press in the corner nor a right press starts one.
    form.ImagePlus5MouseDown(Qt::LeftButton, form.ImagePlus5->width() - 10, 10);
    form.ImagePlus5MouseMove(200, 5);
    form.ImagePlus5MouseDown(Qt::RightButton, 100, 5);
    form.ImagePlus5MouseMove(200, 5);
    EXPECT_EQ(form.Panel1->pos(), moved);
}

// The grip and the panel's title line each keep their own drag: a press on one never makes
// the other follow the pointer, nor ends the other's drag.
TEST(FormOptionsPanel, TheGripAndThePanelKeepTheirOwnDrags) {
    OptionsOpen open;
    TForm1& form = *open.form;
    form.move(0, 0);  // room below the window to grow
    const QPoint start = form.Panel1->pos();
    const QSize size = form.size();

    // A press on the grip, then the panel's move and release: the panel stays where it is.
    form.ImagePlus3MouseDown(Qt::LeftButton, 5, 5);
    form.ImagePlus5MouseMove(130, 20);
    form.ImagePlus5MouseUp(Qt::LeftButton, 130, 20);
    EXPECT_EQ(form.Panel1->pos(), start);
    EXPECT_EQ(form.size(), size);
    // The grip's drag goes on.
    ASSERT_TRUE(form.Grip().dragging);
    form.ImagePlus3MouseMove(5, 45);
    const QSize taller = form.size();
    EXPECT_EQ(taller, size + QSize(0, 40));
    form.ImagePlus3MouseUp(Qt::LeftButton, 5, 45);
    EXPECT_EQ(form.Panel1->pos(), start);

    // A press on the panel's title line, then the grip's move and release: the window keeps
    // its size, and the panel's drag goes on.
    form.ImagePlus5MouseDown(Qt::LeftButton, 100, 5);
    form.ImagePlus3MouseMove(50, 50);
    EXPECT_EQ(form.size(), taller);
    form.ImagePlus3MouseUp(Qt::LeftButton, 50, 50);  // stores the size it has, as any release does
    EXPECT_EQ(form.size(), taller);
    EXPECT_FALSE(form.Grip().dragging);
    form.ImagePlus5MouseMove(130, 20);
    EXPECT_EQ(form.Panel1->pos(), start + QPoint(30, 15));
    form.ImagePlus5MouseUp(Qt::LeftButton, 130, 20);
    EXPECT_EQ(form.Panel1->pos(), start + QPoint(30, 15));
    EXPECT_TRUE(form.Panel1->isVisible());
    EXPECT_EQ(form.size(), taller);
    EXPECT_TRUE(open.inst.dialogs.empty()) << open.inst.dialogs.front();
}

// Under a skin the page's close button is the chrome's; where the panel's own would be, a
// click closes nothing. Without a chrome the panel draws its own, and it closes the page.
TEST(FormOptionsPanel, ThePageHasOneCloseButton) {
    OptionsOpen open;
    TForm1& form = *open.form;
    ClickOn(form, PanelCancel(form));
    EXPECT_TRUE(form.Panel1->isVisible());
    EXPECT_EQ(form.Navigation().PanelPage, "options");

    OptionsOpen plainOpen("Windows");
    TForm1& plain = *plainOpen.form;
    ASSERT_TRUE(plain.Panel1->isVisible());
    ClickOn(plain, PanelCancel(plain));
    EXPECT_FALSE(plain.Panel1->isVisible());
    EXPECT_EQ(plain.Navigation().PanelPage, "");
    EXPECT_TRUE(plain.Memo2->isVisible());
}

namespace {

// What the window shows of the panel and the book once a page was closed.
std::string ClosedView(const TForm1& f) {
    std::string out = "page '" + f.Navigation().PanelPage + "'";
    for (const QWidget* w : {static_cast<const QWidget*>(f.Panel1), static_cast<const QWidget*>(f.StringGrid1),
                             static_cast<const QWidget*>(f.ListBox11), static_cast<const QWidget*>(f.Memo2),
                             static_cast<const QWidget*>(f.ListBox1), static_cast<const QWidget*>(f.ScrollBox1)})
        out += " " + w->objectName().toStdString() + (w->isVisible() ? " shown" : " hidden");
    return out + ", chrome " + (ShownAt(f.Image3, ChromeCancel(f)) == "b_cansel" ? "with" : "without") + " its close";
}

}  // namespace

TEST(FormOptionsPanel, AClickOnThePanelsBareEdgeClosesThePageAsTheStatusLineButtonDoes) {
    struct Page {
        const char* name;
        void (*open)(TForm1&);
    };
    const Page pages[] = {
        {"options", [](TForm1& f) { emit f.Label2->clicked(); }},
        {"options, update page",
         [](TForm1& f) {
             emit f.Label2->clicked();
             ClickOn(f, {100, 145});
         }},
        {"help", [](TForm1& f) { emit f.Label4->clicked(); }},
    };
    const std::string closed =
        "page '' Panel1 hidden StringGrid1 hidden ListBox11 hidden Memo2 shown ListBox1 shown ScrollBox1 shown, "
        "chrome without its close";
    for (const Page& page : pages) {
        SCOPED_TRACE(page.name);
        for (const bool edge : {false, true}) {
            SCOPED_TRACE(edge ? "the panel's edge" : "the status line's close");
            Installation inst;
            WriteOptionsInstallation(inst);
            TForm1 form;
            form.show();
            page.open(form);
            ASSERT_TRUE(form.Panel1->isVisible());
            ASSERT_EQ(ShownAt(form.Image3, ChromeCancel(form)), "b_cansel");
            // A click the page's own controls let through is theirs, not the panel's.
            QTest::mouseClick(form.Panel1, Qt::LeftButton, {}, QPoint(300, 100));
            ASSERT_TRUE(form.Panel1->isVisible());
            if (edge) {
                form.Panel1Click();
            } else {
                const QPoint at = ChromeCancel(form);
                form.Image3MouseDown(Qt::LeftButton, at.x(), at.y());
                form.Image3MouseUp(Qt::LeftButton, at.x(), at.y());
            }
            EXPECT_EQ(ClosedView(form), closed);
            // Closed either way, the toggle opens it again.
            page.open(form);
            EXPECT_TRUE(form.Panel1->isVisible());
            EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
        }
    }
}

TEST(FormOptionsPanel, AChangeOfSkinRepaintsThePanel) {
    OptionsOpen open;
    TForm1& form = *open.form;
    Installation& inst = open.inst;
    testsupport::ClickItem(form.ListBox5, "Forest");
    ASSERT_EQ(form.Config().SkinName, "Forest");
    EXPECT_TRUE(form.Panel1->isVisible());
    EXPECT_EQ(At(form.ImagePlus5, {400, 40}), QColor(255, 0, 0)) << "still the old skin's ground";
    EXPECT_EQ(form.ListBox5->currentItem()->text(), QStringLiteral("Forest"));
    EXPECT_EQ(ShownAt(form.Image3, ChromeCancel(form)), "b_cansel");
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
}

// Every layout puts both panels where the window's new size has them and paints them at it:
// a change of skin that changes the window's size, and the grip.
TEST(FormOptionsPanel, ALayoutGivesBothPanelsTheWindowsSizeAndPlace) {
    Installation inst;
    WriteOptionsInstallation(inst);
    inst.Write("skins/skin_select.txt", "Windows\r\n");
    TForm1 form;
    form.show();
    form.move(0, 0);  // room below the window to grow
    emit form.Label2->clicked();
    form.N141->trigger();
    const auto expectPanelsFit = [&] {
        const QRect page(form.Edit3->x(), form.Edit3->y(), form.width() - 20,
                         form.Memo2->y() + form.Memo2->height() - form.StringGrid3->y() - 50);
        EXPECT_EQ(form.Panel1->geometry(), page);
        EXPECT_EQ(form.ImagePlus5->Picture().size(), page.size()) << "the page is painted at its old size";
        EXPECT_TRUE(form.rect().contains(form.Panel1->geometry()));
        EXPECT_EQ(form.Panel3->geometry(),
                  QRect(form.width() / 2 - 250, form.height() / 2 - 200, 500, 400));
        EXPECT_TRUE(form.Panel3->isVisible());
        EXPECT_EQ(ShownAt(form.Image3, ChromeCancel(form)), "b_cansel");
    };
    testsupport::ClickItem(form.ListBox5, "Classic");
    ASSERT_EQ(form.Config().SkinName, "Classic");
    ASSERT_NE(form.size(), QSize(1000, 760)) << "the test needs the layout to change the window's size";
    expectPanelsFit();
    EXPECT_EQ(form.GroupBox1->geometry().right(), form.Panel1->width() - 31) << "the skin list keeps its old width";

    form.ImagePlus3MouseDown(Qt::LeftButton, 5, 5);
    const QSize before = form.size();
    form.ImagePlus3MouseMove(5, 65);
    form.ImagePlus3MouseUp(Qt::LeftButton, 5, 65);
    ASSERT_GT(form.height(), before.height()) << "the test's screen leaves room to grow";
    expectPanelsFit();
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
}

// The chrome painted anew (on activation, a move, the layout) keeps the page's close button.
TEST(FormOptionsPanel, AChromeRepaintKeepsThePagesCloseButton) {
    Installation inst;
    WriteOptionsInstallation(inst, "on");
    TForm1 form;
    form.show();
    for (ClickLabel* label : {form.Label2, form.Label4}) {
        SCOPED_TRACE(S(label->text()));
        emit label->clicked();
        ASSERT_TRUE(form.Panel1->isVisible());
        form.AppActivate();
        EXPECT_EQ(ShownAt(form.Image3, ChromeCancel(form)), "b_cansel");
        form.N31->trigger();
        EXPECT_EQ(ShownAt(form.Image3, ChromeCancel(form)), "b_cansel");
        emit label->clicked();
        EXPECT_FALSE(form.Panel1->isVisible());
        form.AppActivate();
        EXPECT_EQ(ShownAt(form.Image3, ChromeCancel(form)), "") << "a close button without a page";
    }
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
}

// Under the "Windows" look there are no skin bitmaps: the panels draw their own in the
// desktop's colours, so the user can still update and choose a skin.
TEST(FormOptionsPanel, WithoutASkinBothPanelsOpen) {
    OptionsOpen open("Windows");
    TForm1& form = *open.form;
    Installation& inst = open.inst;
    ASSERT_TRUE(form.Panel1->isVisible());
    EXPECT_EQ(At(form.ImagePlus5, {400, 40}), form.palette().color(QPalette::Window));
    EXPECT_NE(At(form.ImagePlus5, {100, 3}), At(form.ImagePlus5, {400, 40})) << "no title line";
    form.N141->trigger();
    EXPECT_TRUE(form.Panel3->isVisible());
    const QPoint accept(25, form.ImagePlus4->height() - 26);  // the accept button's lower left corner
    EXPECT_NE(At(form.ImagePlus4, accept), At(form.ImagePlus4, {250, 340})) << "no accept button";
    form.N141->trigger();
    ClickOn(form, PanelCancel(form));  // the drawn cancel button has the skin's place
    testsupport::ClickItem(form.ListBox5, "Classic");  // on the closed panel's list: nothing seen
    emit form.Label2->clicked();
    testsupport::ClickItem(form.ListBox5, "Classic");
    EXPECT_EQ(form.Config().SkinName, "Classic");
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
}
