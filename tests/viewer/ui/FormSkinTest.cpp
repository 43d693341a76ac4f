// Guards the skinned window driven through the form: the layout start-up gives the controls,
// the "Windows" skin keeping the design and the desktop's frame, a broken skin refused whole
// at start-up and when chosen, choosing skins on the options panel, the title blend with the
// screen behind the window, the status text, the title line's buttons, and the faults a
// skinned window must not show (columns outside the details grid, a clipped format mark,
// marks over long titles, a text box beside the story index, cut or overlapping notices).
#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>

#include "CatalogFixture.h"
#include "Chrome.h"
#include "ChromeImage.h"
#include "ClickLabel.h"
#include "ListMarks.h"
#include "ScreenStrip.h"
#include "TForm1.h"
#include "WindowLayout.h"
#include "platform/IniFile.h"

using testsupport::ClickItem;
using testsupport::Installation;

namespace {

constexpr const char* kColours =
    "[Window]\r\nColorfon=15790320\r\nTransWin9xmeZagCoef=10\r\n"
    "[Menu]\r\nColortext=4210752\r\n"
    "[Editor]\r\nColortext=128\r\nColorfon=16774640\r\nColortextRead=255\r\n"
    "[Dialog]\r\nTextColor=32768\r\n[Form]\r\nNameprogColor=16777215\r\n";

// The minimal installation with a complete "Classic" skin of known colours and sizes (no
// coordinats.ini: the default coordinates), and the skins the options panel lists.
void WriteSkinned(const Installation& inst) {
    inst.WriteMinimal();
    inst.Write("skins/Classic/color.ini", kColours);
    inst.Write("skins/Classic/size.ini", "[Form]\r\nHeightLine=24\r\n");
    inst.Write("skins/skins.txt", "Classic\r\nForest\r\nBroken\r\nBadColour\r\nWindows\r\n");
    inst.WriteSkin("Forest");
    inst.Write("skins/Forest/color.ini", "[Window]\r\nColorfon=255\r\n[Editor]\r\nColorfon=65280\r\n");
    inst.WriteSkin("Broken", {"tb_plus"});
    inst.Write("skins/Broken/color.ini", kColours);
    inst.WriteSkin("BadColour");
    inst.Write("skins/BadColour/color.ini", "[Editor]\r\nColorfon=white\r\n");
}

QRect Rect(const QWidget* w) { return w->geometry(); }

QColor Base(const QWidget* w) { return w->palette().color(QPalette::Base); }

viewer::Size FormScreen(const QWidget& form) {
    const QRect free = (form.screen() ? form.screen() : QGuiApplication::primaryScreen())->availableGeometry();
    return {free.width(), free.height()};
}

// A screen that shows one colour and records what was asked of it.
class OneColourScreen : public viewerui::ScreenStrip {
public:
    explicit OneColourScreen(QColor colour) : colour_(colour) { previous_ = viewerui::SetScreenStrip(this); }
    ~OneColourScreen() override { viewerui::SetScreenStrip(previous_); }
    QImage Grab(const QRect& area, QColor) override {
        asked.push_back(area);
        QImage image(area.size(), QImage::Format_RGB32);
        image.fill(colour_);
        return image;
    }
    std::vector<QRect> asked;

private:
    QColor colour_;
    viewerui::ScreenStrip* previous_ = nullptr;
};

}  // namespace

TEST(FormSkin, LayoutWithTheDefaultCoordinates) {
    Installation inst;
    WriteSkinned(inst);
    TForm1 form;
    ASSERT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
    const viewer::Size size = viewer::BoundWindowSize({600, 500}, FormScreen(form));  // the options' defaults
    ASSERT_EQ(form.size(), QSize(size.width, size.height));
    const int ww = form.width(), wh = form.height();
    EXPECT_TRUE(form.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_FALSE(form.Image3->isHidden());
    EXPECT_EQ(Rect(form.Image3), QRect(0, 0, ww, wh));
    EXPECT_EQ(form.Config().TransparencyMode, "on");
    EXPECT_EQ(form.Chrome().TitleBlendOption, 55);
    EXPECT_EQ(form.Chrome().TitleBlendSkin, 10);
    EXPECT_EQ(form.Chrome().TitleLineHeight, 24);

    const std::pair<QWidget*, QRect> cases[] = {
        {form.Edit3, {10, 50, 189, 21}},
        {form.ListBox8, {10, 81, 189, 33}},
        {form.ListBox2, {10, 119, 189, 71}},
        {form.ListBox9, {10, 195, 189, 72}},
        {form.ListBox1, {10, 272, 189, wh - 272 - 33}},
        {form.ListBox7, {209, 50, 189, 85}},
        {form.StringGrid3, {209, 50, ww - 219, 230}},
        {form.ListBox4, {209, 50, ww - 219, wh - 80}},
        {form.StringGrid1, {209, 50, ww - 219, wh - 80}},
        // Placed by the chrome: under the zoom buttons (tb_minus is 18 x 16) and beside them.
        {form.ScrollBox1, {209, 306, 257, wh - 306 - 30}},
        {form.Memo2, {476, 290, ww - 476 - 10, wh - 30 - 290}},
    };
    for (const auto& [control, want] : cases) {
        SCOPED_TRACE(control->objectName().toStdString());
        EXPECT_EQ(Rect(control), want);
    }
    EXPECT_EQ(form.Cover().zoomOut.x, 209);
    EXPECT_EQ(form.Cover().zoomOut.y, 285);
    EXPECT_EQ(form.Cover().zoomIn.x, 232);
    EXPECT_EQ(form.Label2->y(), 10);
    // The menu labels from the right edge, 15 px apart: "About", "Help", "Options".
    EXPECT_EQ(form.Label3->x(), ww - 10 - form.Label3->width());
    EXPECT_EQ(form.Label4->x(), form.Label3->x() - form.Label4->width() - 15);
    EXPECT_EQ(form.Label2->x(), form.Label4->x() - form.Label2->width() - 15);
    EXPECT_EQ(form.Label12->pos(), QPoint(10, wh - 8 - form.Label2->height()));

    // Colours from the skin.
    EXPECT_EQ(form.palette().color(QPalette::Window), QColor(240, 240, 240));
    EXPECT_EQ(form.Panel1->palette().color(QPalette::Window), QColor(240, 240, 240));
    EXPECT_EQ(form.GroupBox1->palette().color(QPalette::Window), QColor(240, 240, 240));
    EXPECT_EQ(form.Label2->palette().color(QPalette::WindowText), QColor(64, 64, 64));
    for (QWidget* w : {static_cast<QWidget*>(form.ListBox1), static_cast<QWidget*>(form.ListBox8),
                       static_cast<QWidget*>(form.Edit3), static_cast<QWidget*>(form.Memo2),
                       static_cast<QWidget*>(form.StringGrid1), static_cast<QWidget*>(form.ListBox5)}) {
        SCOPED_TRACE(w->objectName().toStdString());
        EXPECT_EQ(Base(w), QColor(240, 245, 255));
        if (w != form.StringGrid1) {
            EXPECT_EQ(w->palette().color(QPalette::Text), QColor(128, 0, 0));
        }
    }
}

TEST(FormSkin, SkinCoordinatesAndWindowSizeFromTheFiles) {
    Installation inst;
    WriteSkinned(inst);
    inst.Write("skins/Classic/coordinats.ini", "[Window]\r\nMenuTop=30\r\nFirstCompTop=60\r\nFirstCompleft=14\r\n");
    inst.Write("options.ini", "[Window]\r\nHeight=700\r\nWidth=780\r\nTransparencyOnOff=off\r\n");
    TForm1 form;
    const viewer::Size size = viewer::BoundWindowSize({780, 700}, FormScreen(form));
    EXPECT_EQ(form.size(), QSize(size.width, size.height));
    EXPECT_EQ(Rect(form.Edit3), QRect(14, 60, 189, 21));
    EXPECT_EQ(form.ListBox8->pos(), QPoint(14, 91));
    EXPECT_EQ(form.StringGrid3->pos(), QPoint(213, 60));
    EXPECT_EQ(form.Label2->y(), 30);
    EXPECT_EQ(form.Config().TransparencyMode, "off");
    // Without the see-through painting nothing blends the title line, yet it has its close
    // button (z_ib_close, drawn at W - 5 - 14, 5) from the start.
    EXPECT_EQ(form.Image3->Picture().pixelColor(form.width() - 12, 10), QColor(200, 0, 0));

    // A new size from the options: the chrome's picture is painted at the new size.
    inst.Write("options.ini", "[Window]\r\nHeight=720\r\nWidth=780\r\n");
    form.N31Click();
    EXPECT_EQ(form.Image3->Picture().size(), form.size());
    EXPECT_EQ(form.height(), viewer::BoundWindowSize({780, 720}, FormScreen(form)).height);
}

TEST(FormSkin, WindowsSkinKeepsTheDesignAndTheFrame) {
    Installation inst;
    WriteSkinned(inst);
    inst.Write("skins/skin_select.txt", "Windows\r\n");  // no folder of that name
    TForm1 form;
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
    EXPECT_EQ(form.size(), QSize(1000, 760));
    EXPECT_FALSE(form.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(form.Image3->isHidden());
    EXPECT_EQ(form.Config().TransparencyMode, "");
    EXPECT_FALSE(form.Chrome().chromeLoaded);
    // The design's story index covers the text box beside it, and the grid is laid out whole.
    EXPECT_EQ(form.ListBox4->width(), 737);
    EXPECT_EQ(Rect(form.ListBox4).right(), Rect(form.Memo2).right());
    EXPECT_GE(Rect(form.ListBox4).bottom(), Rect(form.Memo2).bottom());

    // The title line's handlers find no bitmaps and do nothing.
    form.show();
    form.Image3MouseDown(Qt::LeftButton, form.width() - 10, 5);
    form.Image3MouseMove(form.width() - 10, 5);
    form.Image3MouseUp(Qt::LeftButton, form.width() - 10, 5);
    EXPECT_TRUE(form.isVisible());
}

TEST(FormSkin, SkinWithAMissingBitmapIsRefusedAtStartUpAndStartUpGoesOn) {
    Installation inst;
    WriteSkinned(inst);
    std::filesystem::remove(inst.dir() / "skins/Classic/z_fon.bmp");
    TForm1 form;
    ASSERT_EQ(inst.dialogs.size(), 1u);
    EXPECT_NE(inst.dialogs[0].find("z_fon.bmp"), std::string::npos) << inst.dialogs[0];
    EXPECT_FALSE(form.windowFlags() & Qt::FramelessWindowHint);  // still movable and closable
    EXPECT_TRUE(form.Image3->isHidden());
    EXPECT_EQ(form.size(), QSize(1000, 760));
    EXPECT_EQ(form.Config().TransparencyMode, "");  // so activations paint nothing
    EXPECT_EQ(form.Config().BaseMonthName, "August");
    EXPECT_EQ(form.StringGrid3->columnCount(), 10);
    form.AppActivate();
    EXPECT_EQ(inst.dialogs.size(), 1u);
}

TEST(FormSkin, ChoosingSkinsOnTheOptionsPanel) {
    Installation inst;
    WriteSkinned(inst);
    TForm1 form;
    form.show();
    form.Label2Click();
    ASSERT_FALSE(form.GroupBox1->isHidden());
    ASSERT_EQ(form.ListBox5->count(), 5);
    EXPECT_EQ(form.ListBox5->currentItem()->text(), QStringLiteral("Classic"));
    const QPoint at = form.pos();

    ClickItem(form.ListBox5, "Forest");
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
    EXPECT_EQ(form.Config().SkinName, "Forest");
    EXPECT_EQ(inst.Read("skins/skin_select.txt"), "Forest\r\n");
    EXPECT_EQ(form.palette().color(QPalette::Window), QColor(255, 0, 0));
    EXPECT_EQ(Base(form.ListBox1), QColor(0, 255, 0));
    EXPECT_EQ(form.pos(), at);  // a skin change leaves the window where it was

    struct Refused {
        const char* skin;
        const char* named;
    };
    for (const Refused& r : {Refused{"Broken", "tb_plus.bmp"}, Refused{"BadColour", "white"}}) {
        SCOPED_TRACE(r.skin);
        inst.dialogs.clear();
        ClickItem(form.ListBox5, r.skin);
        ASSERT_EQ(inst.dialogs.size(), 1u);
        EXPECT_NE(inst.dialogs[0].find(r.skin), std::string::npos) << inst.dialogs[0];
        EXPECT_NE(inst.dialogs[0].find(r.named), std::string::npos) << inst.dialogs[0];
        EXPECT_EQ(form.Config().SkinName, "Forest");
        EXPECT_EQ(inst.Read("skins/skin_select.txt"), "Forest\r\n");
        EXPECT_EQ(Base(form.ListBox1), QColor(0, 255, 0));
        EXPECT_EQ(form.Chrome().Bitmaps.SizeOf("tb_plus"), (viewer::Size{18, 16}));
    }

    // "Windows" is saved for the next start; the skin in use stays in use.
    inst.dialogs.clear();
    ClickItem(form.ListBox5, "Windows");
    EXPECT_EQ(inst.Read("skins/skin_select.txt"), "Windows\r\n");
    EXPECT_EQ(form.Config().SkinName, "Forest");
    EXPECT_TRUE(form.windowFlags() & Qt::FramelessWindowHint);
    form.N31Click();  // a later repaint still finds the skin's files
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
}

TEST(FormSkin, FromTheWindowsSkinToAPaintedOne) {
    Installation inst;
    WriteSkinned(inst);
    inst.Write("skins/skin_select.txt", "Windows\r\n");
    TForm1 form;
    form.show();
    form.Label2Click();
    ClickItem(form.ListBox5, "Classic");
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_FALSE(form.Image3->isHidden());
    EXPECT_EQ(form.ListBox1->width(), 189);
}

TEST(FormSkin, TitleBlendMixesTheSkinWithTheScreenAboveTheWindow) {
    Installation inst;
    WriteSkinned(inst);
    OneColourScreen screen(QColor(100, 150, 250));
    TForm1 form;
    form.show();
    ASSERT_EQ(form.Config().TransparencyMode, "on");  // the options' default
    const QPoint before = form.pos();
    screen.asked.clear();
    form.AppActivate();
    EXPECT_EQ(form.pos(), before);
    ASSERT_FALSE(screen.asked.empty());
    const QRect frame = form.geometry();
    EXPECT_EQ(screen.asked.back(), QRect(frame.left(), frame.top() - 24, form.width(), 24));

    // z_fon of the test skin is (0, 0, 200); the weight is 55 + 10.
    const QImage& picture = form.Image3->Picture();
    const auto mix = [](int skin, int behind) { return (skin * 65 + behind * 35) / 100; };
    const QColor want(mix(0, 100), mix(0, 150), mix(200, 250));
    for (int y : {0, 12, 23}) EXPECT_EQ(picture.pixelColor(form.width() / 2, y), want) << y;
    EXPECT_EQ(picture.pixelColor(form.width() / 2, 24), QColor(240, 240, 240));  // below: not blended

    // A weight beyond 100 shows the skin alone.
    inst.Write("options.ini", "[Window]\r\nTransparencyWin9xme=150\r\n");
    form.N31Click();
    form.N121Click();
    EXPECT_EQ(form.Image3->Picture().pixelColor(form.width() / 2, 12), QColor(0, 0, 200));
    EXPECT_EQ(form.pos(), before);
}

TEST(FormSkin, StatusLineShowsTheBaseDateAndTheNoticesAfterIt) {
    Installation inst;
    WriteSkinned(inst);
    TForm1 form;
    const QString status = QStringLiteral("Last update base: 02 August 2018 year");
    const int textWidth = QFontMetrics(form.Image3->font()).horizontalAdvance(status);
    const int wh = form.height();
    EXPECT_EQ(form.Label6->pos(), QPoint(10 + textWidth + 50, wh - 25));
    // The text is drawn in [Dialog] TextColor where it starts.
    const QImage& picture = form.Image3->Picture();
    int inColour = 0;
    for (int y = wh - 25; y < wh - 10; ++y)
        for (int x = 10; x < 10 + textWidth; ++x) {
            const QColor c = picture.pixelColor(x, y);
            inColour += c.green() > c.red() + 40 && c.green() > c.blue() + 40;
        }
    EXPECT_GT(inColour, 50);
}

TEST(FormSkin, TitleLineMovesTheWindowWhereTheDesktopDoesNot) {
    Installation inst;
    WriteSkinned(inst);
    TForm1 form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    const QPoint before = form.pos();
    // The offscreen platform moves no window itself: the window follows the mouse. The mouse
    // is given on the screen; the handlers get it in the window as it stands.
    const auto press = [&](Qt::MouseButton button, QPoint screen) {
        const QPoint at = screen - form.pos();
        form.Image3MouseDown(button, at.x(), at.y());
    };
    const auto moveTo = [&](QPoint screen) {
        const QPoint at = screen - form.pos();
        form.Image3MouseMove(at.x(), at.y());
    };
    press(Qt::LeftButton, before + QPoint(100, 5));
    moveTo(before + QPoint(150, 25));
    moveTo(before + QPoint(130, 15));
    form.Image3MouseUp(Qt::LeftButton, 100, 5);
    EXPECT_EQ(form.pos(), before + QPoint(30, 10));
    moveTo(before + QPoint(300, 300));  // released: the window stays
    EXPECT_EQ(form.pos(), before + QPoint(30, 10));
    press(Qt::RightButton, form.pos() + QPoint(100, 5));
    moveTo(form.pos() + QPoint(150, 25));
    EXPECT_EQ(form.pos(), before + QPoint(30, 10));
}

TEST(FormSkin, CloseButtonOnTheTitleLineClosesTheWindow) {
    Installation inst;
    WriteSkinned(inst);
    TForm1 form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    // The close button (z_ib_close, 14 x 12) is drawn at (W - 5 - 14, 5).
    const QPoint close(form.width() - 5 - 7, 10);
    EXPECT_EQ(form.Image3->Picture().pixelColor(close), QColor(200, 0, 0));
    QTest::mouseClick(form.Image3, Qt::LeftButton, {}, QPoint(form.width() - 2, 10));  // right of it
    EXPECT_TRUE(form.isVisible());
    QTest::mouseClick(form.Image3, Qt::LeftButton, {}, close);
    EXPECT_FALSE(form.isVisible());
}

TEST(FormSkin, NoColumnLiesOutsideTheDetailsGridAndMarksKeepTheirLetters) {
    Installation inst;
    WriteSkinned(inst);
    testsupport::WriteCatalog(inst);
    inst.Write("skins/Classic/color.ini", kColours);
    inst.Write("docs/Ночь.doc", "x");
    TForm1 form;
    form.show();
    QApplication::processEvents();
    QTableWidget* grid = form.StringGrid3;
    int total = 0;
    for (int col = 0; col < grid->columnCount(); ++col) total += grid->columnWidth(col);
    EXPECT_LE(total, grid->viewport()->width());
    EXPECT_EQ(grid->horizontalScrollBar()->maximum(), 0);
    EXPECT_GE(grid->columnWidth(3), QFontMetrics(grid->font()).horizontalAdvance(QStringLiteral("DOC")) + 2);
    // Headings keep all their letters where the grid has the room for them.
    grid->resize(880, grid->height());
    QApplication::processEvents();
    for (int col : {1, 5, 7, 9}) {
        const QTableWidgetItem* heading = grid->item(1, col);
        ASSERT_TRUE(heading);
        EXPECT_GE(grid->columnWidth(col), QFontMetrics(grid->font()).horizontalAdvance(heading->text())) << col;
    }
    EXPECT_EQ(grid->horizontalScrollBar()->maximum(), 0);
}

TEST(FormSkin, HaveMarksLeaveRoomAfterLongTitles) {
    Installation inst;
    WriteSkinned(inst);
    testsupport::WriteCatalog(inst);
    inst.Write("skins/Classic/color.ini", kColours);
    const std::string longTitle = "Очень длинное название книги, которое не помещается в список";
    inst.Write(testsupport::SubList("Первая") + ".txt", longTitle + "\r\nКнига Б\r\n");
    TForm1 form;
    form.show();
    ClickItem(form.ListBox8, "Фантастика");
    ClickItem(form.ListBox2, "Звёздные миры");
    ClickItem(form.ListBox9, "Первая");
    form.ListBox1->setCurrentRow(0);
    form.N2011->trigger();
    form.ListBox1->setCurrentRow(1);  // neither selected nor current: no highlight, no focus frame
    form.ListBox1->clearSelection();
    QApplication::processEvents();
    auto* marks = form.ListBox1->findChild<viewerui::ListMarks*>();
    ASSERT_EQ(marks->rows(), std::vector<int>{0});
    const QRect mark = marks->MarkRect(0);
    const QImage image = form.ListBox1->viewport()->grab().toImage();
    const QColor ground = Base(form.ListBox1);
    // Nothing of the title in the gap before the mark; the mark itself is drawn.
    for (int x = mark.left() - 5; x < mark.left(); ++x)
        for (int y = mark.top(); y <= mark.bottom(); ++y) EXPECT_EQ(image.pixelColor(x, y), ground) << x << "," << y;
    int red = 0;
    for (int x = mark.left(); x <= mark.right(); ++x)
        for (int y = mark.top(); y <= mark.bottom(); ++y) {
            const QColor c = image.pixelColor(x, y);
            red += c.red() > 150 && c.green() < 100 && c.blue() < 100;
        }
    EXPECT_GT(red, 5);
}

TEST(FormSkin, StoryIndexCoversTheTextBoxBesideIt) {
    Installation inst;
    WriteSkinned(inst);
    testsupport::WriteCatalog(inst);
    inst.Write("skins/Classic/color.ini", kColours);
    TForm1 form;
    form.show();
    ClickItem(form.ListBox8, "Фантастика");
    ClickItem(form.ListBox2, "Звёздные миры");
    ClickItem(form.ListBox9, "Список рассказов");
    ASSERT_FALSE(form.ListBox4->isHidden());
    EXPECT_TRUE(Rect(form.ListBox4).contains(Rect(form.Memo2)));
}

TEST(FormSkin, NoticesAreWholeAndStayApart) {
    Installation inst;
    WriteSkinned(inst);
    TForm1 form;
    form.show();
    for (ClickLabel* notice : {form.Label6, form.Label10})
        EXPECT_GE(notice->width(), notice->fontMetrics().horizontalAdvance(notice->text())) << S(notice->text());
    form.Label10->show();
    EXPECT_EQ(form.Label10->pos(), QPoint(form.width() - form.Label10->width() - 25, form.height() - 25));
    form.Label6->show();
    EXPECT_FALSE(Rect(form.Label6).intersects(Rect(form.Label10)));
    EXPECT_FALSE(Rect(form.Label10).intersects(Rect(form.Label2)));
    EXPECT_GE(form.Label10->x(), 0);
    form.Label6->hide();
    EXPECT_EQ(form.Label10->y(), form.height() - 25);  // back on the status line
}
