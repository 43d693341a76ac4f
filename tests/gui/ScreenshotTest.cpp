// Shows the viewer on a copy of the sample installation in a real X server (the test runs
// under Xvfb) and checks the screen really shows it. Once with each of the sample's skins, a
// book with a DOC story picked after a book was marked as owned, both update notices shown: a
// screenshot that is not blank, the category list drawn where the window put it, every column
// of the details grid inside it, the DOC mark whole in its cell at its first paint, the "Have"
// mark clear of a long title, the new-version notice whole and clear of "Options", then the
// story index covering the text box beside it, scroll bar and all; under a painted skin the
// title line in the skin's title colour, blended with the screen above the window as the
// title blend mixes them. Then the sample's help start page and a list-of-books page, with
// their backgrounds, borders and pictures where the pages put them; the update panel's gauge
// following an unpack while the window keeps drawing; the update panel, the options page and
// the help page as a user walks through them: a notice, the what's-new text arriving, the
// installation on the gauge (a notice clicked meanwhile leaving its panel be) and where it
// stopped, the options page's two sub-pages over the book, the help page and a link
// followed; the title bar's controls, the window menu from the title line and the category
// list, the grip and the About box under the mouse; and a what's-new text that came after
// its panel was cancelled kept off the panel that "Download stories for reading" opens. Then
// the window's pages as a user meets them: after a skin change that resizes the window the
// options page and the update panel fit it, the grip dragged far out keeps the window on the
// screen, the chrome painted anew keeps the page's one close button, and the pages cover
// their area opaque, the story index beneath included. CTest runs it on a large and on a
// small screen. Screenshots go to VB_SCREENSHOT_DIR as viewer-<view>.png.
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QAction>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QApplication>
#include <QFrame>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScreen>
#include <QScrollBar>
#include <QSet>
#include <QTableWidget>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <chrono>
#include <functional>
#include <optional>
#include <thread>

#include "Chrome.h"
#include "ClickLabel.h"
#include "RawHttpServer.h"
#include "UpdateInfo.h"
#include "HelpFolder.h"
#include "Installation.h"
#include "ListMarks.h"
#include "QtBridge.h"
#include "TForm1.h"
#include "TImagePlus.h"
#include "KilledUnpack.h"
#include "ZipTool.h"
#include "platform/IniFile.h"
#include "platform/TextFile.h"
#include "unpack/UnpackArchive.h"

namespace {

QImage GrabScreen(const std::string& view) {
    QTest::qWait(300);
    const QImage shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    const char* dir = std::getenv("VB_SCREENSHOT_DIR");
    shot.save(QString::fromStdString((dir ? std::string(dir) + "/" : std::string()) + "viewer-" + view + ".png"));
    return shot;
}

// The screen position of a point in a page cell's own pixels.
QPoint InCell(const TForm1& form, int col, int row, QPoint offset) {
    const QRect r = form.StringGrid1->visualRect(form.StringGrid1->model()->index(row, col));
    return form.StringGrid1->viewport()->mapToGlobal(r.topLeft() + offset);
}

QColor Pixel(const QImage& shot, QPoint p) { return QColor(shot.pixel(p)); }

QString Text(const TForm1& form, int col, int row) {
    const QTableWidgetItem* item = form.StringGrid1->item(row, col);
    return item ? item->text() : QString();
}

void ClickItem(QListWidget* list, const char* text) {
    const auto found = list->findItems(QString::fromUtf8(text), Qt::MatchExactly);
    ASSERT_FALSE(found.isEmpty()) << text;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(found.front()).center());
}

// An update server of the test's own on loopback: it serves its files by name and holds the
// answer for one of them until the test lets it go, so the window can be seen waiting.
class UpdateServer {
public:
    void Put(const std::string& name, const std::string& body) {
        std::lock_guard<std::mutex> hold(lock_);
        files_[name] = body;
    }
    void Hold(const std::string& name) {
        std::lock_guard<std::mutex> hold(lock_);
        held_ = name;
    }
    void Release() {
        std::lock_guard<std::mutex> hold(lock_);
        held_.clear();
    }
    std::string base() const { return server_.base(); }

private:
    void Answer(testsupport::RawHttpServer::Connection& conn) {
        const std::string head = conn.ReadRequest();
        const std::string prefix = "GET /vncsoft/vantorbooks/update/";
        const size_t end = head.find(' ', prefix.size());
        const std::string name = head.starts_with(prefix) ? head.substr(prefix.size(), end - prefix.size()) : "";
        for (;;) {
            {
                std::lock_guard<std::mutex> hold(lock_);
                if (held_ != name) break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        std::lock_guard<std::mutex> hold(lock_);
        const auto found = files_.find(name);
        if (found == files_.end()) {
            conn.Send("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            return;
        }
        conn.Send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(found->second.size()) +
                  "\r\nConnection: close\r\n\r\n" + found->second);
    }
    std::mutex lock_;
    std::map<std::string, std::string> files_;
    std::string held_;
    testsupport::RawHttpServer server_{[this](testsupport::RawHttpServer::Connection& c) { Answer(c); }};
};

// A copy of the sample installation and the window opened on it, with the skin given, its
// update checks going to `server` (by default to none).
struct SampleWindow {
    // `before` runs on the installation before the window starts on it.
    explicit SampleWindow(const std::string& skin = "Classic", const std::string& server = {},
                          const std::function<void(testsupport::Installation&)>& before = {}) {
        std::filesystem::copy(VB_SAMPLE_DIR, inst.dir(), std::filesystem::copy_options::recursive);
        testsupport::WriteFile(inst.dir() / "VantorBooks", "");
        platform::SaveLines(inst.dir() / "skins/skin_select.txt", {skin});
        if (!server.empty()) inst.UseUpdateServer(server);
        if (before) before(inst);
        form.emplace();
        form->show();
    }
    testsupport::Installation inst;
    std::optional<TForm1> form;
};

bool Near(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) <= 1 && std::abs(a.green() - b.green()) <= 1 &&
           std::abs(a.blue() - b.blue()) <= 1;
}

QRect OnScreen(const QWidget* w) { return QRect(w->mapToGlobal(QPoint(0, 0)), w->size()); }

bool Differs(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue()) > 60;
}

// The screen columns of `area` where something is drawn on the ground given, left to right.
std::vector<int> InkColumns(const QImage& shot, const QRect& area, QColor ground) {
    std::vector<int> columns;
    for (int x = area.left(); x <= area.right(); ++x)
        for (int y = area.top(); y <= area.bottom(); ++y)
            if (Differs(shot.pixelColor(x, y), ground)) {
                columns.push_back(x);
                break;
            }
    return columns;
}

// Whether something is drawn over the window's own ground in `area` (screen points): its chrome
// picture under a painted skin, the desktop's window colour under the "Windows" look.
bool DrawnOverWindow(const TForm1& form, const QImage& shot, const QRect& area) {
    const bool chrome = form.Image3->isVisible();
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor bare = chrome ? form.Image3->Picture().pixelColor(form.Image3->mapFromGlobal(QPoint(x, y)))
                                       : form.palette().color(QPalette::Window);
            if (Differs(shot.pixelColor(x, y), bare)) return true;
        }
    return false;
}

QRect CellOnScreen(const QTableWidget* grid, int col, int row) {
    const QRect cell = grid->visualRect(grid->model()->index(row, col));
    return QRect(grid->viewport()->mapToGlobal(cell.topLeft()), cell.size());
}

// A right click on the item, then the menu's entry, as a user picks it.
void ChooseFromMenu(QListWidget* list, const char* text, QMenu* menu, QAction* entry) {
    const auto found = list->findItems(QString::fromUtf8(text), Qt::MatchExactly);
    ASSERT_FALSE(found.isEmpty()) << text;
    // Through the window, as the window system delivers it, so the click also asks for the menu.
    const QPoint at = list->viewport()->mapTo(list->window(), list->visualItemRect(found.front()).center());
    QTest::mouseClick(list->window()->windowHandle(), Qt::RightButton, {}, at);
    ASSERT_TRUE(QTest::qWaitFor([&] { return menu->isVisible(); }, 2000)) << "no menu";
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(entry).center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !menu->isVisible(); }, 2000));
}

// The details grid holds all its columns: no horizontal scroll bar, the last column's right
// edge inside the grid, an author and the print run drawn inside it.
void ExpectDetailsGridWhole(const TForm1& form, const QImage& shot) {
    const QTableWidget* grid = form.StringGrid3;
    EXPECT_FALSE(grid->horizontalScrollBar()->isVisible()) << "a horizontal scroll bar on the details grid";
    EXPECT_EQ(grid->horizontalScrollBar()->maximum(), 0);
    const int last = grid->columnCount() - 1;
    EXPECT_LE(grid->columnViewportPosition(last) + grid->columnWidth(last), grid->viewport()->width())
        << "the last column ends outside the grid";
    EXPECT_TRUE(form.rect().contains(grid->geometry()));
    ASSERT_TRUE(grid->item(3, 9));
    EXPECT_TRUE(grid->item(3, 9)->text().startsWith(QStringLiteral("Тираж:")));
    const QRect inside = OnScreen(grid->viewport());
    for (const int col : {7, 9}) {  // an author, the print run
        const QRect cell = CellOnScreen(grid, col, 3);
        EXPECT_TRUE(inside.contains(cell)) << "column " << col << " lies outside the grid";
        EXPECT_FALSE(InkColumns(shot, cell & inside, grid->palette().color(QPalette::Base)).empty())
            << "nothing drawn in column " << col;
    }
}

// The format mark "DOC" whole in its cell as first painted: the cell as wide as the mark, its
// letters ending inside it, nothing running on into the spacer beside it.
void ExpectFormatMarkWhole(const TForm1& form, const QImage& shot) {
    const QTableWidget* grid = form.StringGrid3;
    int row = -1;
    for (int r = 0; r < grid->rowCount() && row < 0; ++r)
        if (grid->item(r, 3) && grid->item(r, 3)->text() == QStringLiteral("DOC")) row = r;
    ASSERT_GE(row, 0) << "the book shows no DOC story";
    const int width = QFontMetrics(grid->font()).horizontalAdvance(QStringLiteral("DOC"));
    EXPECT_GE(grid->columnWidth(3), width + 2) << "the cell is narrower than its mark, drawn 2 px in";
    const QColor ground = grid->palette().color(QPalette::Base);
    const QRect cell = CellOnScreen(grid, 3, row);
    const std::vector<int> ink = InkColumns(shot, cell, ground);
    ASSERT_FALSE(ink.empty()) << "no mark drawn";
    EXPECT_LT(ink.back(), cell.right()) << "the mark reaches its cell's edge";
    EXPECT_GE(ink.back() - ink.front() + 1, width - 3) << "letters of the mark are missing";
    EXPECT_TRUE(InkColumns(shot, CellOnScreen(grid, 4, row), ground).empty())
        << "the mark runs on beside its cell";
}

// The "Have" mark beside a long owned title keeps clear of it: the title, too long for the
// room before the mark, is drawn up to a gap before the mark's first letter.
void ExpectHaveMarkClearOfTitle(const TForm1& form, const QImage& shot, const char* title) {
    QListWidget* list = form.ListBox1;
    const auto* marks = list->findChild<viewerui::ListMarks*>();
    ASSERT_TRUE(marks);
    const auto found = list->findItems(QString::fromUtf8(title), Qt::MatchExactly);
    ASSERT_FALSE(found.isEmpty()) << title;
    const int row = list->row(found.front());
    ASSERT_NE(std::find(marks->rows().begin(), marks->rows().end(), row), marks->rows().end()) << "no mark";
    const QPoint origin = list->viewport()->mapToGlobal(QPoint(0, 0));
    const QRect item = list->visualItemRect(found.front()).translated(origin);
    const QRect mark = marks->MarkRect(row).translated(origin);
    ASSERT_GT(item.left() + QFontMetrics(list->font()).horizontalAdvance(found.front()->text()), mark.left())
        << "the title is short enough for the room before its mark";
    const QColor ground = list->palette().color(QPalette::Base);
    const std::vector<int> markInk = InkColumns(shot, mark, ground);
    ASSERT_FALSE(markInk.empty()) << "no mark drawn";
    const std::vector<int> titleInk =
        InkColumns(shot, QRect(item.topLeft(), QPoint(mark.left() - 1, item.bottom())), ground);
    ASSERT_FALSE(titleInk.empty()) << "no title drawn";
    EXPECT_LT(titleInk.back(), markInk.front() - 3) << "the title runs into its mark";
    EXPECT_GT(titleInk.back(), mark.left() - 30) << "the title stops short of the room it has";
}

// The new-version notice whole: its text inside the window, apart from the data notice and the
// menu labels, its closing "<<" drawn, and nothing after it up to "Options" when it shares the
// menu's line, up to the window's edge when it stays on the status line.
void ExpectProgramNoticeWhole(const TForm1& form, const QImage& shot) {
    const ClickLabel* notice = form.Label10;
    ASSERT_TRUE(notice->isVisible());
    const int width = notice->fontMetrics().horizontalAdvance(notice->text());
    EXPECT_GE(notice->width(), width) << "the notice is cut";
    const QRect text(notice->pos(), QSize(width, notice->height()));
    EXPECT_TRUE(form.rect().contains(text)) << "the notice runs out of the window";
    for (const QWidget* other : {static_cast<const QWidget*>(form.Label6), static_cast<const QWidget*>(form.Label2),
                                 static_cast<const QWidget*>(form.Label3), static_cast<const QWidget*>(form.Label4)})
        EXPECT_FALSE(text.intersects(other->geometry())) << "the notice runs into " << S(other->objectName());
    const QRect options = form.Label2->geometry();
    const bool onMenuLine = text.top() <= options.bottom() && options.top() <= text.bottom();
    const int next = onMenuLine ? options.left() - 2 : form.width() - 20;  // clear of the grip
    const QPoint origin = form.mapToGlobal(QPoint(0, 0));
    const QRect end(text.right() - 11, text.top(), 12, text.height());
    EXPECT_TRUE(DrawnOverWindow(form, shot, end.translated(origin))) << "the notice's end is not drawn";
    const QRect after(QPoint(text.right() + 3, text.top()), QPoint(next, text.bottom()));
    EXPECT_FALSE(DrawnOverWindow(form, shot, after.translated(origin))) << "something drawn after the notice";
    EXPECT_TRUE(DrawnOverWindow(form, shot, options.translated(origin))) << "Options is not drawn";
}

// The story index takes the place of the book's details and covers the description box
// beside it, scroll bar and all: nothing of the box shows beside or through the index.
void ExpectStoryIndexCoversTheTextBox(const TForm1& form, const QImage& shot) {
    ASSERT_TRUE(form.ListBox4->isVisible());
    const QRect index = OnScreen(form.ListBox4);
    const QRect box = OnScreen(form.Memo2);
    const QRect bar = OnScreen(form.Memo2->verticalScrollBar());
    EXPECT_TRUE(index.contains(box)) << "the text box sticks out beside the story index";
    EXPECT_TRUE(index.contains(bar)) << "the text box's scroll bar sticks out beside the story index";
    EXPECT_LE(form.Memo2->geometry().right(), form.StringGrid3->geometry().right())
        << "the text box leaves its column";
    const QRect beside(QPoint(index.right() + 1, box.top()), QPoint(OnScreen(&form).right() - 1, box.bottom()));
    EXPECT_FALSE(DrawnOverWindow(form, shot, beside)) << "something drawn beside the story index";
    if (!form.ListBox4->verticalScrollBar()->isVisible()) {
        EXPECT_TRUE(InkColumns(shot, bar, form.ListBox4->palette().color(QPalette::Base)).empty())
            << "the text box's scroll bar shows through the story index";
    }
}

}  // namespace

class Screenshot : public testing::TestWithParam<const char*> {};

// A new user's walk on the sample: the start-up check finds newer data and another program
// version, the user marks a book as owned and opens it (a book with a DOC story, in a list
// with a long owned title), then the list's story index.
TEST_P(Screenshot, ViewerWindowIsDrawnOnTheSampleInstallation) {
    const std::string skin = GetParam();
    // The database one step ahead and the documents not, so both notices show.
    UpdateServer server;
    const std::string local = testsupport::ReadFile(std::filesystem::path(VB_SAMPLE_DIR) / "update.lasx");
    server.Put("update.lasx", testsupport::RaisedUpdateInfo(local, 0, 1, "1.43"));
    SampleWindow window(skin, server.base());
    testsupport::Installation& inst = window.inst;
    TForm1& form = *window.form;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.Label6->isVisible() && form.Label10->isVisible(); }, 10000))
        << "no notices after the check";
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
    ClickItem(form.ListBox8, "Фантастика");
    ClickItem(form.ListBox2, "Звёздные миры");
    ClickItem(form.ListBox9, "Первая экспедиция");
    // The marks of the owned books show once the user changes them.
    ChooseFromMenu(form.ListBox1, "Кольца Сатурна", form.PopupMenu2, form.N2011);
    ClickItem(form.ListBox1, "Кольца Сатурна");

    // What the window painted for the click, no repaint asked for: a cell cut at its first
    // paint shows cut here.
    const QImage shot = GrabScreen(skin);
    ASSERT_FALSE(shot.isNull());

    QSet<QRgb> colours;
    for (int y = 0; y < shot.height(); y += 4)
        for (int x = 0; x < shot.width(); x += 4) colours.insert(shot.pixel(x, y));
    EXPECT_GT(colours.size(), 8) << "the screen is blank";

    // The category list holds dark text on a light ground: its area is not one colour.
    const QRect list(form.ListBox8->mapToGlobal(QPoint(0, 0)), form.ListBox8->size());
    QSet<QRgb> inList;
    for (int y = list.top(); y < list.bottom(); ++y)
        for (int x = list.left(); x < list.right(); ++x) inList.insert(shot.pixel(x, y));
    EXPECT_GT(inList.size(), 2) << "the category list is not drawn";

    ExpectDetailsGridWhole(form, shot);
    ExpectFormatMarkWhole(form, shot);
    ExpectHaveMarkClearOfTitle(form, shot, "Последний рейс «Альбатроса»");
    ExpectProgramNoticeWhole(form, shot);

    ClickItem(form.ListBox9, "Список рассказов");
    const QImage index = GrabScreen(skin + "-index");
    ExpectStoryIndexCoversTheTextBox(form, index);
    ExpectProgramNoticeWhole(form, index);
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();

    if (skin == "Windows") return;
    // A point of the title line right of the program name and left of the close button.
    const QImage titleStrip(QString::fromStdString((inst.dir() / "skins" / skin / "z_fon.bmp").string()));
    ASSERT_FALSE(titleStrip.isNull());
    const QPoint origin = form.mapToGlobal(QPoint(0, 0));
    const int x = form.width() / 2, y = 3;
    const QColor painted = titleStrip.pixelColor(0, y);
    const QColor seen = shot.pixelColor(origin.x() + x, origin.y() + y);
    QColor expected = painted;
    const QPoint above(origin.x() + x, origin.y() - form.Chrome().TitleLineHeight + y);
    {
        // Blended once the window was active; the screen above it shows through, and where
        // that lies off the screen, the window's own ground.
        const QColor behind = shot.valid(above) ? shot.pixelColor(above) : form.palette().color(QPalette::Window);
        const int p = viewer::TitleBlendPercent(form.Chrome().TitleBlendOption, form.Chrome().TitleBlendSkin);
        const auto mixed = [&](int a, int b) { return (a * p + b * (100 - p)) / 100; };
        const QColor blended(mixed(painted.red(), behind.red()), mixed(painted.green(), behind.green()),
                             mixed(painted.blue(), behind.blue()));
        if (Near(seen, blended)) expected = blended;
    }
    EXPECT_TRUE(Near(seen, expected)) << "title line shows " << seen.name().toStdString() << ", the skin's title "
                                      << painted.name().toStdString();
}

INSTANTIATE_TEST_SUITE_P(SampleSkins, Screenshot, testing::Values("Classic", "Forest", "Windows"),
                         [](const testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

TEST(Pages, SampleHelpAndBookPagesAreDrawn) {
    SampleWindow window;
    testsupport::Installation& inst = window.inst;
    TForm1& form = *window.form;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));

    // The help start page, opened by the "Help" label.
    QTest::mouseClick(form.Label4, Qt::LeftButton, {}, form.Label4->rect().center());
    ASSERT_TRUE(form.StringGrid1->isVisible());
    EXPECT_EQ(form.Navigation().CurrentTexxFile, viewer::HelpIndexPage(form.Config().ProgramDir));
    ASSERT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
    QImage shot = GrabScreen("help");
    // The title row is navy; the "Разделы справки" heading is underlined by a two-pixel
    // black border; the logo's gold line and its red book.
    EXPECT_EQ(Pixel(shot, InCell(form, 3, 1, {400, 30})), QColor(0, 0, 128));
    EXPECT_EQ(Pixel(shot, InCell(form, 2, 4, {180, 23})), QColor(Qt::black));
    EXPECT_EQ(Pixel(shot, InCell(form, 2, 4, {180, 12})), QColor(Qt::white));
    EXPECT_EQ(Pixel(shot, InCell(form, 2, 3, {100, 67})), QColor(230, 190, 60));
    EXPECT_EQ(Pixel(shot, InCell(form, 2, 3, {30, 40})), QColor(200, 40, 40));
    EXPECT_TRUE(Text(form, 3, 9).startsWith(QStringLiteral("http://")));

    // The link to the updates page, whose total is computed when it opens.
    const QRect link = form.StringGrid1->visualRect(form.StringGrid1->model()->index(6, 3));
    QTest::mouseClick(form.StringGrid1->viewport(), Qt::LeftButton, {}, link.center());
    QTest::mouseDClick(form.StringGrid1->viewport(), Qt::LeftButton, {}, link.center());
    ASSERT_EQ(form.Navigation().CurrentTexxFile, form.Config().ProgramDir + "\\help\\updates.texx");
    EXPECT_EQ(Text(form, 3, 6), QStringLiteral("21"));
    shot = GrabScreen("updates");
    // Left of the centred heading, clear of its letters whatever font stands in for the page's.
    EXPECT_EQ(Pixel(shot, InCell(form, 2, 3, {10, 12})), QColor(192, 192, 192)) << "silver heading";
    EXPECT_EQ(Pixel(shot, InCell(form, 2, 3, {0, 12})), QColor(Qt::black)) << "its box";

    // The list-of-books page of a list, opened from the catalog as a user does.
    QTest::mouseClick(form.Label4, Qt::LeftButton, {}, form.Label4->rect().center());
    ASSERT_FALSE(form.Panel1->isVisible());
    ClickItem(form.ListBox8, "Фантастика");
    ClickItem(form.ListBox2, "Звёздные миры");
    ClickItem(form.ListBox9, "Список книг");
    ASSERT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
    ASSERT_TRUE(form.StringGrid1->isVisible());
    shot = GrabScreen("books");
    EXPECT_EQ(Pixel(shot, InCell(form, 3, 1, {100, 20})), QColor(0, 128, 128)) << "teal heading";
    EXPECT_EQ(Pixel(shot, InCell(form, 2, 3, {0, 10})), QColor(Qt::black)) << "box of a book's cell";
    EXPECT_EQ(Text(form, 2, 3), QStringLiteral("Последний рейс «Альбатроса»"));
}

TEST(Screenshot, TheUpdatePanelShowsTheUnpackOnItsGauge) {
    SampleWindow window;
    testsupport::Installation& inst = window.inst;
    TForm1& form = *window.form;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    std::vector<std::pair<std::string, std::string>> files;
    for (int i = 0; i < 200; ++i) files.emplace_back("docs/story " + std::to_string(i) + ".rtf", std::string(1024, 's'));
    const testsupport::ZipPackage docs(files);
    testsupport::WriteFile(inst.dir() / "docs.zip", docs.bytes);
    // The moves into place wait until the picture is taken, so the window shows the unpack
    // under way: extracted, nothing moved yet.
    std::atomic<bool> release{false};
    unpack::SetMoveHookForTesting([&](size_t, const std::filesystem::path&) {
        while (!release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        return 0;
    });
    form.DocsUpdateFound();
    form.ShowPanels(viewer::PanelChange::OpenUpdatePanel);
    viewer::DownloadResult arrived;  // the archive written above has arrived
    arrived.name = "docs.zip";
    arrived.destFile = inst.dir() / "docs.zip";
    arrived.ok = true;
    form.DownLoaderTerminate(arrived);
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.Gauge2->value() == 900; }, 10000));
    const QImage shot = GrabScreen("-unpack");
    release.store(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form.Working(); }, 10000));
    unpack::SetMoveHookForTesting(nullptr);

    // The bar is drawn in its blue over nine tenths of the gauge, the pale ground after it.
    const QRect gauge(form.Gauge2->mapToGlobal(QPoint(0, 0)), form.Gauge2->size());
    const auto barPixels = [&](int from, int to) {
        int n = 0;
        for (int x = gauge.left() + from * gauge.width() / 100; x < gauge.left() + to * gauge.width() / 100; ++x) {
            const QColor c(shot.pixel(x, gauge.center().y() + 3));
            if (c.blue() > c.red() + 40) ++n;
        }
        return n;
    };
    EXPECT_GT(barPixels(5, 40), (40 - 5) * gauge.width() / 100 / 2) << "no bar where the unpack has come";
    EXPECT_EQ(barPixels(93, 97), 0) << "bar beyond where the unpack has come";
    EXPECT_TRUE(std::filesystem::exists(inst.dir() / "docs/story 199.rtf"));
}

namespace {

// The screen shows the bitmap `name` of the skin with its top-left corner at `at` (a point
// of `image`): compared a few pixels in, clear of any drawing at its edges.
bool ShowsBitmap(const QImage& shot, const QWidget* image, QPoint at, const std::filesystem::path& skin,
                 const char* name) {
    const QImage bitmap(QString::fromStdString((skin / (std::string(name) + ".bmp")).string()));
    if (bitmap.isNull()) return false;
    const QPoint origin = image->mapToGlobal(at);
    for (const QPoint p : {QPoint(4, 4), QPoint(bitmap.width() / 2, 3), QPoint(bitmap.width() - 5, bitmap.height() - 5)})
        if (QColor(shot.pixel(origin + p)) != bitmap.pixelColor(p)) return false;
    return true;
}

QPoint Centre(QPoint at, const QImage& bitmap) { return at + QPoint(bitmap.width() / 2, bitmap.height() / 2); }

// The shown window's data notice, once the start-up check put it up, clicked while the server
// holds the what's-new text back, so the panel is seen waiting for it.
void ClickTheNoticeWhileItsTextIsHeld(TForm1& form, UpdateServer& server) {
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.Label6->isVisible(); }, 10000)) << "no notice after the check";
    server.Hold("update_whatnew.txt");
    QTest::mouseClick(form.Label6, Qt::LeftButton, {}, form.Label6->rect().center());
}

}  // namespace

TEST(Screenshot, AUserWalksThroughTheUpdatePanelTheOptionsAndTheHelp) {
    UpdateServer server;
    testsupport::Installation inst;
    std::filesystem::copy(VB_SAMPLE_DIR, inst.dir(), std::filesystem::copy_options::recursive);
    testsupport::WriteFile(inst.dir() / "VantorBooks", "");
    const std::filesystem::path skin = inst.dir() / "skins/Classic";
    server.Put("update.lasx",
               testsupport::RaisedUpdateInfo(testsupport::ReadFile(inst.dir() / "update.lasx"), 1, 1, "1.42"));
    server.Put("update_whatnew.txt", platform::Utf8ToBytes("Новые рассказы серии.\r\nОбновлённые описания книг.\r\n"));
    std::vector<std::pair<std::string, std::string>> stories;
    for (int i = 0; i < 200; ++i) stories.emplace_back("docs/story " + std::to_string(i) + ".rtf", std::string(1024, 's'));
    server.Put("docs.zip", testsupport::ZipPackage(stories).bytes);  // and no updatebase.zip: the chain stops there
    inst.UseUpdateServer(server.base());

    TForm1 form;
    form.show();
    // The notice opens the panel; the accept button waits for the what's-new text.
    ASSERT_NO_FATAL_FAILURE(ClickTheNoticeWhileItsTextIsHeld(form, server));
    ASSERT_TRUE(form.Panel3->isVisible());
    const QImage& accept = form.Chrome().Bitmaps.Get("b_update");
    const QImage& cancel = form.Chrome().Bitmaps.Get("b_cansel");
    const QPoint acceptAt(25, form.ImagePlus4->height() - 25 - accept.height());
    const QPoint cancelAt(form.ImagePlus4->width() - 25 - cancel.width(), form.ImagePlus4->height() - 25 - cancel.height());
    QImage shot = GrabScreen("panel-open");
    EXPECT_TRUE(ShowsBitmap(shot, form.ImagePlus4, acceptAt, skin, "b_update_f")) << "accept live before its text";
    EXPECT_TRUE(ShowsBitmap(shot, form.ImagePlus4, cancelAt, skin, "b_cansel"));
    // The panel is opaque: its ground, not the details grid beneath, shows inside its frame.
    const QColor ground = Q(viewer::ReadIntColour(*form.Config().ColorIni, "Dialog", "Fon", viewer::kDefaultDialogFon));
    EXPECT_EQ(QColor(shot.pixel(form.ImagePlus4->mapToGlobal(QPoint(200, 75)))), ground);

    server.Release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.ListBox10->count() == 2; }, 10000));
    shot = GrabScreen("panel-text");
    EXPECT_TRUE(ShowsBitmap(shot, form.ImagePlus4, acceptAt, skin, "b_update")) << "accept not live with its text";

    // Accepted: the gauge follows the unpack, held before its moves so the picture shows it.
    std::atomic<bool> moves{false};
    unpack::SetMoveHookForTesting([&](size_t, const std::filesystem::path&) {
        while (!moves.load()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        return 0;
    });
    QTest::mouseMove(form.ImagePlus4, Centre(acceptAt, accept));
    QTest::mouseClick(form.ImagePlus4, Qt::LeftButton, {}, Centre(acceptAt, accept));
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.Gauge2->value() == 900; }, 10000));
    shot = GrabScreen("panel-installing");
    EXPECT_EQ(form.Label15->text().toStdString(), "Status: Downloading 1st package of two");
    // The pointer is still over it: the not-live button in its hover state.
    EXPECT_TRUE(ShowsBitmap(shot, form.ImagePlus4, acceptAt, skin, "b_update_f") ||
                ShowsBitmap(shot, form.ImagePlus4, acceptAt, skin, "b_update_f_a"))
        << "accept live while installing";
    // The notice clicked meanwhile changes nothing on the panel: the installation's status
    // line and the text being installed stay.
    QTest::mouseClick(form.Label6, Qt::LeftButton, {}, form.Label6->rect().center());
    shot = GrabScreen("panel-notice-while-installing");
    EXPECT_TRUE(form.Panel3->isVisible());
    EXPECT_EQ(form.Label15->text().toStdString(), "Status: Downloading 1st package of two");
    EXPECT_EQ(form.ListBox10->count(), 2);
    EXPECT_TRUE(ShowsBitmap(shot, form.ImagePlus4, acceptAt, skin, "b_update_f")) << "accept live while installing";
    moves.store(true);

    // The database is not on the server: the panel says where the installation stopped.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form.Working(); }, 10000));
    unpack::SetMoveHookForTesting(nullptr);
    shot = GrabScreen("panel-stopped");
    EXPECT_EQ(form.Label15->text().toStdString(),
              "Status: Update stopped: updatebase.zip could not be downloaded: the server answered 404");
    EXPECT_TRUE(std::filesystem::exists(inst.dir() / "docs/story 199.rtf"));
    QTest::mouseMove(form.ImagePlus4, Centre(cancelAt, cancel));
    QTest::mouseClick(form.ImagePlus4, Qt::LeftButton, {}, Centre(cancelAt, cancel));
    EXPECT_FALSE(form.Panel3->isVisible()) << "the panel cannot be closed after a failed installation";

    // The options page over the book: its "Skins" page, then "Update" with the log.
    QTest::mouseClick(form.Label2, Qt::LeftButton, {}, form.Label2->rect().center());
    ASSERT_TRUE(form.GroupBox1->isVisible());
    shot = GrabScreen("options-skins");
    const QColor fon =
        Q(viewer::ReadIntColour(*form.Config().ColorIni, "Window", "ColorFon", viewer::kDefaultPanelColour));
    // Where the details grid's headings are, the page's content area shows.
    const QPoint heading = form.StringGrid3->mapToGlobal(QPoint(form.StringGrid3->width() / 2, 8));
    const QPoint inPanel = form.ImagePlus5->mapFromGlobal(heading);
    ASSERT_TRUE(form.ImagePlus5->rect().contains(inPanel));
    EXPECT_EQ(QColor(shot.pixel(form.ImagePlus5->mapToGlobal(QPoint(form.ImagePlus5->width() - 40, 60)))), fon);
    QTest::mouseClick(form.ImagePlus5, Qt::LeftButton, {}, QPoint(100, 145));
    ASSERT_TRUE(form.Label16->isVisible());
    EXPECT_FALSE(form.GroupBox1->isVisible());
    EXPECT_GT(form.ListBox11->count(), 0) << "the update log is empty";
    shot = GrabScreen("options-update");
    // The check boxes stand on the page's own ground.
    const QPoint box = form.CheckBox1->mapToGlobal(QPoint(form.CheckBox1->width() - 3, form.CheckBox1->height() / 2));
    EXPECT_EQ(QColor(shot.pixel(box)), fon);
    EXPECT_EQ(QColor(shot.pixel(form.ImagePlus5->mapToGlobal(QPoint(100, 120)))),
              Q(viewer::ReadIntColour(*form.Config().ColorIni, "Dialog", "SelmenuColor", viewer::kDefaultPanelColour)))
        << "the Update entry is not highlighted";

    // The help page takes the panel's place; a link on it is followed.
    form.N0000931->trigger();
    ASSERT_TRUE(form.StringGrid1->isVisible());
    EXPECT_FALSE(form.ImagePlus5->isVisible());
    GrabScreen("help-index");
    const QRect link = form.StringGrid1->visualRect(form.StringGrid1->model()->index(6, 3));
    QTest::mouseClick(form.StringGrid1->viewport(), Qt::LeftButton, {}, link.center());
    QTest::mouseDClick(form.StringGrid1->viewport(), Qt::LeftButton, {}, link.center());
    EXPECT_EQ(form.Navigation().CurrentTexxFile, form.Config().ProgramDir + "\\help\\updates.texx");
    GrabScreen("help-link");
    form.N0000931->trigger();
    EXPECT_FALSE(form.Panel1->isVisible());
    EXPECT_TRUE(form.Memo2->isVisible());
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
}

// A what's-new text that comes after the user cancelled its panel is not shown: "Download
// stories for reading" then opens the panel with an empty list.
TEST(Screenshot, ATextThatComesAfterTheCancelStaysOffThePanel) {
    UpdateServer server;  // no docs.zip: the stories stop at once
    testsupport::Installation inst;
    std::filesystem::copy(VB_SAMPLE_DIR, inst.dir(), std::filesystem::copy_options::recursive);
    testsupport::WriteFile(inst.dir() / "VantorBooks", "");
    server.Put("update.lasx",
               testsupport::RaisedUpdateInfo(testsupport::ReadFile(inst.dir() / "update.lasx"), 1, 1, "1.42"));
    server.Put("update_whatnew.txt", platform::Utf8ToBytes("Новые рассказы серии.\r\n"));
    inst.UseUpdateServer(server.base());
    TForm1 form;
    form.show();
    ASSERT_NO_FATAL_FAILURE(ClickTheNoticeWhileItsTextIsHeld(form, server));
    const QImage& cancel = form.Chrome().Bitmaps.Get("b_cansel");
    const QPoint cancelAt(form.ImagePlus4->width() - 25 - cancel.width() / 2,
                          form.ImagePlus4->height() - 25 - cancel.height() / 2);
    QTest::mouseMove(form.ImagePlus4, cancelAt);
    QTest::mouseClick(form.ImagePlus4, Qt::LeftButton, {}, cancelAt);
    ASSERT_FALSE(form.Panel3->isVisible());
    server.Release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form.Working(); }, 10000));

    QTest::mouseClick(form.Label2, Qt::LeftButton, {}, form.Label2->rect().center());
    QTest::mouseClick(form.ImagePlus5, Qt::LeftButton, {}, QPoint(100, 145));
    ASSERT_TRUE(form.Label17->isVisible());
    QTest::mouseClick(form.Label17, Qt::LeftButton, {}, form.Label17->rect().center());
    ASSERT_TRUE(form.Panel3->isVisible());
    const QImage shot = GrabScreen("panel-stories");
    EXPECT_EQ(form.ListBox10->count(), 0);
    // Where the first line would be, the list shows only its ground.
    QSet<QRgb> firstLine;
    for (int y = 3; y < 15; ++y)
        for (int x = 3; x < 200; ++x) firstLine.insert(shot.pixel(form.ListBox10->viewport()->mapToGlobal(QPoint(x, y))));
    EXPECT_EQ(firstLine.size(), 1) << "a text is drawn in the list";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form.Working(); }, 10000));
    EXPECT_EQ(form.Label15->text().toStdString(),
              "Status: Update stopped: docs.zip could not be downloaded: the server answered 404");
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
}

// Without a skin the panels draw their frames and buttons in the desktop's colours.
TEST(Screenshot, WithoutASkinThePanelsTakeTheDesktopsLook) {
    SampleWindow window("Windows");
    TForm1& form = *window.form;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QTest::mouseClick(form.Label2, Qt::LeftButton, {}, form.Label2->rect().center());
    form.N141->trigger();
    const QImage shot = GrabScreen("windows-panels");
    const QColor strip = form.palette().color(QPalette::Highlight);
    EXPECT_EQ(QColor(shot.pixel(form.ImagePlus4->mapToGlobal(QPoint(200, 5)))), strip) << "no title strip";
    EXPECT_EQ(QColor(shot.pixel(form.ImagePlus5->mapToGlobal(QPoint(300, 5)))), strip) << "no title strip";
    QSet<QRgb> button;
    for (int x = 25; x < 25 + 88; ++x) button.insert(shot.pixel(form.ImagePlus4->mapToGlobal(QPoint(x, 400 - 25 - 12))));
    EXPECT_GT(button.size(), 2) << "no accept button";
    EXPECT_TRUE(window.inst.dialogs.empty()) << window.inst.dialogs.front();
}

// The title bar's controls with the mouse, as a new user meets them: the zoomed cover, the
// close button under the pointer, the window menu from the title line, the window moved by its
// title and resized by its grip, and the About box.
TEST(Screenshot, TitleBarGripZoomMenuAndAboutBox) {
    SampleWindow window;
    testsupport::Installation& inst = window.inst;
    TForm1& form = *window.form;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    ClickItem(form.ListBox8, "Фантастика");
    ClickItem(form.ListBox2, "Звёздные миры");
    ClickItem(form.ListBox9, "Первая экспедиция");
    ClickItem(form.ListBox1, "Последний рейс «Альбатроса»");
    const QSize cover = form.Image1->size();
    QTest::mouseClick(form.Image3, Qt::LeftButton, {}, QPoint(form.Cover().zoomIn.x + 5, form.Cover().zoomIn.y + 5));
    EXPECT_EQ(form.Image1->height(), cover.height() + 200);
    const QPoint close(form.width() - 5 - form.Chrome().Bitmaps.SizeOf("z_ib_close").width / 2, 5 + 4);
    QTest::mouseMove(form.Image3, close);
    QImage shot = GrabScreen("zoom");
    const QImage hover = form.Chrome().Bitmaps.Get("z_ib_close_a");
    EXPECT_EQ(shot.pixelColor(form.mapToGlobal(close)), hover.pixelColor(hover.width() / 2, 4))
        << "the close button shows its hover state";

    // From the category list the menu opens where the pointer is, inside the list's frame.
    const QPoint inList(30, 8);
    QContextMenuEvent request(QContextMenuEvent::Mouse, inList, form.ListBox8->viewport()->mapToGlobal(inList));
    QApplication::sendEvent(form.ListBox8->viewport(), &request);
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.PopupMenu1->isVisible(); }, 2000));
    GrabScreen("menu-categories");
    EXPECT_EQ(form.PopupMenu1->geometry().topLeft(), form.ListBox8->viewport()->mapToGlobal(inList));
    form.PopupMenu1->hide();

    QTest::mouseClick(form.Image3, Qt::RightButton, {}, QPoint(200, 6));
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.PopupMenu1->isVisible(); }, 2000));
    shot = GrabScreen("menu");
    const QRect menu = form.PopupMenu1->geometry();
    EXPECT_EQ(menu.topLeft(), form.mapToGlobal(QPoint(200, 6)));
    QSet<QRgb> inMenu;
    for (int y = menu.top(); y < menu.bottom(); y += 2)
        for (int x = menu.left(); x < menu.right(); x += 2) inMenu.insert(shot.pixel(x, y));
    EXPECT_GT(inMenu.size(), 3) << "the menu is not drawn";
    form.PopupMenu1->hide();

    // Moved by its title: as far as the mouse went, and opaque afterwards.
    const QPoint before = form.pos();
    QTest::mousePress(form.Image3, Qt::LeftButton, {}, QPoint(300, 6));
    QTest::mouseMove(form.Image3, QPoint(340, 36));
    QTest::mouseRelease(form.Image3, Qt::LeftButton, {}, QPoint(340, 36));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form.TitleMoveRunning(); }, 2000));
    EXPECT_EQ(form.pos(), before + QPoint(40, 30));
    EXPECT_EQ(form.windowOpacity(), 1.0);

    // Resized by the grip, then stored; from the free area's corner, so the screen has room.
    form.move(form.screen()->availableGeometry().topLeft());
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.pos() == form.screen()->availableGeometry().topLeft(); }, 2000));
    const QSize size = form.size();
    TImagePlus* grip = form.ImagePlus3;
    QTest::mousePress(grip, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(grip, QPoint(60, 50));
    QTest::mouseRelease(grip, Qt::LeftButton, {}, QPoint(60, 50));
    EXPECT_EQ(form.size(), size + QSize(50, 40));
    EXPECT_EQ(platform::IniFile(inst.dir() / "options.ini").ReadInteger("Window", "Width", 0), size.width() + 50);
    shot = GrabScreen("grip");
    EXPECT_EQ(form.Image3->Picture().size(), form.size());
    const QPoint corner = form.mapToGlobal(QPoint(form.width() - 1, form.height() - 1));
    EXPECT_EQ(shot.pixelColor(corner), form.Image3->Picture().pixelColor(form.width() - 1, form.height() - 1))
        << "the chrome reaches the new corner";

    QTest::mouseClick(form.Label3, Qt::LeftButton, {}, QPoint(3, 3));
    ASSERT_TRUE(form.Panel2->isVisible());
    shot = GrabScreen("about");
    const QPoint box = form.Panel2->mapToGlobal(QPoint(1, 1));
    int red = 0;
    for (int y = 15; y < 28; ++y)
        for (int x = 207; x < 280; ++x) {
            const QColor c = shot.pixelColor(box + QPoint(x, y));
            red += c.red() > 200 && c.green() < 60 && c.blue() < 60;
        }
    EXPECT_GT(red, 10) << "the program name";
    EXPECT_EQ(shot.pixelColor(box + QPoint(400, 280)), QColor(Qt::black));
    const QImage picture(QStringLiteral(":/about.jpg"));
    const QPoint inPicture = form.ImagePlus2->mapToGlobal(QPoint(115, 111));
    EXPECT_EQ(shot.pixelColor(inPicture), picture.pixelColor(115, 111)) << "the About picture";
    QTest::mouseClick(form.ImagePlus2, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_FALSE(form.Panel2->isVisible());
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
}

namespace {

// Where the open page's close button stands on the chrome's status line.
QPoint PageCloseOnChrome(const TForm1& form) {
    const QImage& cancel = form.Chrome().Bitmaps.Get("b_cansel");
    return {form.Image3->width() - 25 - cancel.width(), form.Image3->height() - 30 - cancel.height()};
}

// Where the options page would draw a close button of its own.
QPoint PageCloseOnPanel(const TForm1& form) {
    const QImage& cancel = form.Chrome().Bitmaps.Get("b_cansel");
    return {form.ImagePlus5->width() - 25 - cancel.width(), form.ImagePlus5->height() - 25 - cancel.height()};
}

// The page lies where its layout puts it, inside the window, and the screen shows its own
// picture in it: nothing of the controls beneath shows through.
void ExpectPageWholeAndOpaque(const TForm1& form, const QImage& shot) {
    const QRect page(form.Edit3->x(), form.Edit3->y(), form.width() - 20,
                     form.Memo2->y() + form.Memo2->height() - form.StringGrid3->y() - 50);
    EXPECT_EQ(form.Panel1->geometry(), page);
    EXPECT_TRUE(form.rect().contains(form.Panel1->geometry())) << "the page runs past the window";
    const QWidget* surface = form.ImagePlus5->isVisible() ? static_cast<const QWidget*>(form.ImagePlus5)
                                                          : static_cast<const QWidget*>(form.StringGrid1);
    EXPECT_EQ(surface->size(), page.size());
    if (surface != form.ImagePlus5) return;
    EXPECT_EQ(form.ImagePlus5->Picture().size(), page.size()) << "the page is painted at another size";
    // Below the title line, where the page's picture is on top (not one of its own controls,
    // nor the update panel).
    for (int y = 40; y < page.height() - 5; y += 23)
        for (int x = 5; x < page.width() - 5; x += 37) {
            const QPoint at(x, y);
            if (form.childAt(form.ImagePlus5->mapTo(&form, at)) != form.ImagePlus5) continue;
            ASSERT_EQ(QColor(shot.pixel(form.ImagePlus5->mapToGlobal(at))), form.ImagePlus5->Picture().pixelColor(at))
                << "the page does not show its picture at " << x << "," << y;
        }
}

// Between the page and the window's bottom only the chrome shows, with the page's close
// button: no control of the book area.
void ExpectBandBelowThePageBare(const TForm1& form, const QImage& shot) {
    const QPoint origin = form.mapToGlobal(QPoint(0, 0));
    const QRect band(QPoint(form.Panel1->x(), form.Panel1->geometry().bottom() + 1),
                     QPoint(std::min(form.Panel1->geometry().right(), form.ImagePlus3->x() - 1), form.height() - 1));
    EXPECT_FALSE(DrawnOverWindow(form, shot, band.translated(origin))) << "something shows below the page";
}

void Click(ClickLabel* label) { QTest::mouseClick(label, Qt::LeftButton, {}, label->rect().center()); }

// The page a menu label opens ("Help" or "Options"), then what `meanwhile` does, and the
// screen: saved as viewer-<view>-help.png or viewer-<view>-options.png.
QImage OpenPage(TForm1& form, ClickLabel* label, const std::string& view, const std::function<void()>& meanwhile = {}) {
    Click(label);
    EXPECT_TRUE(form.Panel1->isVisible()) << "the page did not open";
    if (meanwhile) meanwhile();
    return GrabScreen(view + (label == form.Label4 ? "-help" : "-options"));
}

}  // namespace

// A change of skin that changes the window's size: the options page and the update panel
// open on it take the new size and place at once.
TEST(Screenshot, AfterASkinChangeThePanelsFitTheWindow) {
    SampleWindow window("Windows");
    TForm1& form = *window.form;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    Click(form.Label2);
    form.N141->trigger();  // the update panel, as a notice opens it
    ClickItem(form.ListBox5, "Classic");
    ASSERT_EQ(form.Config().SkinName, "Classic");
    const QImage shot = GrabScreen("skin-change");
    ExpectPageWholeAndOpaque(form, shot);
    EXPECT_EQ(form.Panel3->geometry(), QRect(form.width() / 2 - 250, form.height() / 2 - 200, 500, 400));
    const std::filesystem::path skin = window.inst.dir() / "skins/Classic";
    EXPECT_TRUE(ShowsBitmap(shot, form.Image3, PageCloseOnChrome(form), skin, "b_cansel")) << "no close button";
    // The status line shows whole below the page.
    ExpectBandBelowThePageBare(form, shot);
    EXPECT_TRUE(window.inst.dialogs.empty()) << window.inst.dialogs.front();
}

// The grip dragged far out stops where the free area of the window's screen ends, counting
// where the window stands: the close button and the grip stay on the screen.
TEST(Screenshot, TheGripKeepsTheWindowOnTheScreen) {
    SampleWindow window;
    TForm1& form = *window.form;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.move(12, 4);
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.pos() == QPoint(12, 4); }, 2000));
    TImagePlus* grip = form.ImagePlus3;
    QTest::mousePress(grip, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(grip, QPoint(3000, 3000));
    QTest::mouseRelease(grip, Qt::LeftButton, {}, QPoint(3000, 3000));
    const QRect free = form.screen()->availableGeometry();
    EXPECT_EQ(form.frameGeometry(), QRect(QPoint(12, 4), free.bottomRight())) << "the window leaves the free area";
    const QImage shot = GrabScreen("grip-far-out");
    const QImage& close = form.Chrome().Bitmaps.Get("z_ib_close");
    const QPoint closeAt(form.width() - 5 - close.width(), 5);
    const QPoint inClose = closeAt + QPoint(close.width() / 2, close.height() / 2);
    EXPECT_EQ(shot.pixelColor(form.mapToGlobal(inClose)), close.pixelColor(close.width() / 2, close.height() / 2))
        << "the close button is cut";
    const QPoint corner(form.width() - 3, form.height() - 3);
    EXPECT_EQ(shot.pixelColor(form.mapToGlobal(corner)), grip->Picture().pixelColor(grip->mapFrom(&form, corner)))
        << "the grip is off the screen";
    EXPECT_TRUE(window.inst.dialogs.empty()) << window.inst.dialogs.front();
}

// With see-through on, the chrome is painted anew on each activation; the open page's close
// button on the status line stays.
TEST(Screenshot, TheChromePaintedAnewKeepsThePagesCloseButton) {
    SampleWindow window;
    TForm1& form = *window.form;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    ASSERT_EQ(form.Config().TransparencyMode, "on");
    const std::filesystem::path skin = window.inst.dir() / "skins/Classic";
    for (ClickLabel* label : {form.Label4, form.Label2}) {
        SCOPED_TRACE(S(label->text()));
        // What the first click into an inactive window runs.
        const QImage shot = OpenPage(form, label, "activated", [&] { form.AppActivate(); });
        EXPECT_TRUE(ShowsBitmap(shot, form.Image3, PageCloseOnChrome(form), skin, "b_cansel"))
            << "the close button went with the repaint";
        Click(label);
    }
    EXPECT_TRUE(window.inst.dialogs.empty()) << window.inst.dialogs.front();
}

// However often the options page opens, it has one close button: the one on the status line.
TEST(Screenshot, TheOptionsPageHasOneCloseButton) {
    SampleWindow window;
    TForm1& form = *window.form;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    const std::filesystem::path skin = window.inst.dir() / "skins/Classic";
    for (int opening = 1; opening <= 3; ++opening) {
        SCOPED_TRACE(opening);
        Click(form.Label2);
        ASSERT_TRUE(form.ImagePlus5->isVisible());
        if (opening == 3) {  // a drag of the page, which paints it anew where it ends
            form.ImagePlus5MouseDown(Qt::LeftButton, 100, 5);
            form.ImagePlus5MouseUp(Qt::LeftButton, 100, 5);
        }
        const QImage shot = GrabScreen("options-opening-" + std::to_string(opening));
        EXPECT_TRUE(ShowsBitmap(shot, form.Image3, PageCloseOnChrome(form), skin, "b_cansel"));
        EXPECT_FALSE(ShowsBitmap(shot, form.ImagePlus5, PageCloseOnPanel(form), skin, "b_cansel"))
            << "a second close button on the page";
        Click(form.Label2);
        ASSERT_FALSE(form.Panel1->isVisible());
    }
    EXPECT_TRUE(window.inst.dialogs.empty()) << window.inst.dialogs.front();
}

// The options and help pages cover their area opaque, also over the story index, which
// reaches lower than they do; below them only the chrome shows, and the index comes back.
TEST(Screenshot, ThePagesCoverTheStoryIndex) {
    SampleWindow window;
    TForm1& form = *window.form;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    ClickItem(form.ListBox8, "Фантастика");
    ClickItem(form.ListBox2, "Звёздные миры");
    ClickItem(form.ListBox9, "Список рассказов");
    ASSERT_TRUE(form.ListBox4->isVisible());
    const std::filesystem::path skin = window.inst.dir() / "skins/Classic";
    for (ClickLabel* label : {form.Label2, form.Label4}) {
        SCOPED_TRACE(S(label->text()));
        const QImage shot = OpenPage(form, label, "over-index");
        ExpectPageWholeAndOpaque(form, shot);
        ExpectBandBelowThePageBare(form, shot);
        EXPECT_TRUE(ShowsBitmap(shot, form.Image3, PageCloseOnChrome(form), skin, "b_cansel"));
        Click(label);
        EXPECT_TRUE(form.ListBox4->isVisible()) << "the index did not come back";
    }
    EXPECT_TRUE(window.inst.dialogs.empty()) << window.inst.dialogs.front();
}

// An update a kill cut off is undone at the next start, and the window's status line says so
// in words in place of the base date, until the user's first key or click brings the date back.
TEST(Screenshot, AnUndoneUpdateIsToldOnTheStatusLine) {
    SampleWindow window("Classic", {}, [](testsupport::Installation& inst) {
        testsupport::WriteFile(inst.dir() / "docs.zip", "stands for the archive");
        const auto extract = [](const std::filesystem::path&, const std::filesystem::path& folder) {
            for (int i = 0; i < 20; ++i) testsupport::WriteFile(folder / ("docs/new " + std::to_string(i) + ".rtf"), "new");
        };
        ASSERT_TRUE(testsupport::UnpackKilledAt((inst.dir() / "docs.zip").string(), inst.dir(), 10, extract));
    });
    TForm1& form = *window.form;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form.Working(); }, 10000));
    const std::string notice = "An interrupted update was undone; the installation is as it was before it.";
    ASSERT_EQ(form.StatusNotice(), notice);
    EXPECT_FALSE(std::filesystem::exists(window.inst.dir() / "docs/new 0.rtf"));

    // The status line's text, from where the chrome writes it: ink reaches as far as the text.
    const QFontMetrics fm(form.Image3->font());
    const auto inkEnd = [&](const QImage& shot) {
        const QPoint at = form.Image3->mapToGlobal(QPoint(form.Label12->x(), form.height() - 25));
        const QRect line(at, QSize(fm.horizontalAdvance(Q(notice)) + 20, fm.height()));
        const QColor ground = shot.pixelColor(line.right() + 5, line.center().y());
        const std::vector<int> ink = InkColumns(shot, line, ground);
        return ink.empty() ? -1 : ink.back() - line.left();
    };
    const int told = inkEnd(GrabScreen("undone-update"));
    // The window laid out while it waited is whole: the details grid holds all its columns.
    const QTableWidget* grid = form.StringGrid3;
    EXPECT_FALSE(grid->horizontalScrollBar()->isVisible()) << "a horizontal scroll bar on the details grid";
    const int last = grid->columnCount() - 1;
    EXPECT_LE(grid->columnViewportPosition(last) + grid->columnWidth(last), grid->viewport()->width());
    EXPECT_GT(told, fm.horizontalAdvance(Q(notice)) - 10) << "the notice is not on the status line";
    QTest::keyClick(form.Edit3, Qt::Key_A);
    EXPECT_EQ(form.StatusNotice(), "");
    const int date = inkEnd(GrabScreen("undone-update-seen"));
    const std::string base =
        viewer::BaseStatusText(form.Config().BaseDay, form.Config().BaseMonthName, form.Config().BaseYear);
    EXPECT_LT(date, fm.horizontalAdvance(Q(base)) + 10) << "the notice stayed after the user acted";
    EXPECT_GT(date, fm.horizontalAdvance(Q(base)) - 10) << "the base date did not come back";
    EXPECT_TRUE(window.inst.dialogs.empty()) << window.inst.dialogs.front();
}

