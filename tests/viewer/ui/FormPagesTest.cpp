// Guards the page viewer in the window: a help page loads, its commands run, and its cells
// are drawn with their colours, borders, grid lines and pictures (a broken or outside picture
// draws nothing and shows no error); a double click follows a link; a bad page is refused
// with one error and the page shown before stays.
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QAction>
#include <QFrame>
#include <QImage>
#include <QTableWidget>
#include <QTest>

#include "HelpFolder.h"
#include "Installation.h"
#include "PageGridDelegate.h"
#include "PagePictures.h"
#include "QtBridge.h"
#include "TForm1.h"

using testsupport::Installation;

namespace {

const QColor kMagenta(255, 0, 255);

// help/index.texx: 2 data columns (100, 120 px) by 3 data rows (40, 30, 30 px), grid lines on.
//   (1,1) white on navy in a box    (2,1) the picture pic.bmp (20 x 10, magenta)
//   (1,2) link to second.texx       (2,2) the formula 2+3
//   (1,3) a picture that is no bitmap (2,3) a picture outside the help folder
void WriteHelp(const Installation& inst) {
    inst.WriteMinimal();
    inst.Write("help/index.texx",
               "3\r\n4\r\nongrid\r\n"
               "Заголовок\r\nСсылка\r\nплохая\r\n"
               "\r\n\r\nвне\r\n"
               "ABAIAAAAAF--AF\r\nAFAAAD!openfile(second.texx)\r\n!drawimg(bad.bmp)\r\n"
               "!drawimg(pic.bmp)\r\n!2+3=\r\n!drawimg(../outside.bmp)\r\n"
               "100\r\n120\r\n40\r\n30\r\n30\r\n");
    inst.Write("help/second.texx", "2\r\n3\r\noffgrid\r\nВторая страница\r\nНазад\r\n\r\nAF!openfile(index.texx)\r\n"
                                   "300\r\n20\r\n20\r\n\r\n");
    inst.Write("help/up.texx", "2\r\n2\r\nongrid\r\nНаверх\r\n!openfile(..\\options.ini)\r\n300\r\n20\r\n");
    inst.Write("help/bad.bmp", "BM this is no bitmap");
    QImage pic(20, 10, QImage::Format_RGB32);
    pic.fill(kMagenta);
    ASSERT_TRUE(pic.save(Q(inst.dir() / "help/pic.bmp"), "BMP"));
    ASSERT_TRUE(pic.save(Q(inst.dir() / "outside.bmp"), "BMP"));
}

// Opens a page as the help panel does: the grid shown on the panel, then load and commands.
void OpenPage(TForm1& form, const std::string& page) {
    form.Panel1->setGeometry(10, 10, 600, 300);
    form.StringGrid1->setGeometry(0, 0, 600, 300);
    form.Panel1->show();
    form.StringGrid1->show();
    form.SetCurrentTexxFile(form.Config().ProgramDir + "\\help\\" + page);
    form.N211->trigger();
    form.N231->trigger();
}

QString Text(const TForm1& form, int col, int row) {
    const QTableWidgetItem* item = form.StringGrid1->item(row, col);
    return item ? item->text() : QString();
}

QRect Section(const TForm1& form, int col, int row) {
    return form.StringGrid1->visualRect(form.StringGrid1->model()->index(row, col));
}

QColor At(const QImage& shot, QPoint p) { return QColor(shot.pixel(p)); }

// A double click as the mouse makes it: a press and release, then the second press arrives
// as the double click.
void DoubleClick(TForm1& form, int col, int row) {
    const QPoint at = Section(form, col, row).center();
    QTest::mouseClick(form.StringGrid1->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(form.StringGrid1->viewport(), Qt::LeftButton, {}, at);
}

}  // namespace

TEST(FormPages, HelpPageIsDrawnWithItsColoursBordersLinesAndPictures) {
    Installation inst;
    WriteHelp(inst);
    TForm1 form;
    form.show();
    OpenPage(form, "index.texx");
    ASSERT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
    EXPECT_EQ(Text(form, 2, 2), QStringLiteral("5"));
    EXPECT_EQ(form.Pages().CellCommands.At(1, 2), (viewer::CellCommand{"openfile", "second.texx"}));

    const QImage shot = form.StringGrid1->viewport()->grab().toImage();
    const QColor base = form.StringGrid1->palette().color(QPalette::Base);
    const QRect title = Section(form, 1, 1), picture = Section(form, 2, 1);
    // Cells are their column's width by their row's height; the grid line follows.
    EXPECT_EQ(title.size(), QSize(101, 41));
    const QPoint L = title.topLeft();
    EXPECT_EQ(At(shot, L + QPoint(80, 30)), QColor(0, 0, 128)) << "navy background";
    for (const QPoint border : {L, L + QPoint(0, 20), L + QPoint(100, 20), L + QPoint(50, 40), L + QPoint(100, 40)})
        EXPECT_EQ(At(shot, border), QColor(Qt::black)) << border.x() << "," << border.y();
    EXPECT_EQ(At(shot, L + QPoint(1, 20)), QColor(0, 0, 128)) << "a one-pixel box";
    // Its text is drawn in white: whatever the font, some pixels inside the box are white.
    int white = 0;
    for (int y = 2; y < 39; ++y)
        for (int x = 2; x < 99; ++x) white += At(shot, L + QPoint(x, y)) == QColor(Qt::white);
    EXPECT_GE(white, 10) << "white text on the navy cell";

    EXPECT_EQ(At(shot, picture.topLeft()), kMagenta);
    EXPECT_EQ(At(shot, picture.topLeft() + QPoint(19, 9)), kMagenta);
    EXPECT_EQ(At(shot, picture.topLeft() + QPoint(21, 20)), base) << "the picture is drawn unscaled";
    EXPECT_EQ(At(shot, picture.topLeft() + QPoint(60, 40)), viewerui::PageGridDelegate::LineColour()) << "grid line";

    // Neither the broken picture nor the one outside the help folder draws anything, and
    // repaints read no file again.
    EXPECT_EQ(At(shot, Section(form, 1, 3).topLeft() + QPoint(50, 25)), base);
    EXPECT_EQ(At(shot, Section(form, 2, 3).topLeft() + QPoint(5, 5)), base);
    auto* pictures = form.findChild<viewerui::PagePictures*>();
    ASSERT_NE(pictures, nullptr);
    const int reads = pictures->Reads();
    EXPECT_EQ(reads, 2);  // pic.bmp and bad.bmp
    form.StringGrid1->viewport()->grab();
    form.StringGrid1->viewport()->grab();
    EXPECT_EQ(pictures->Reads(), reads);
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
}

TEST(FormPages, DoubleClickFollowsTheLinkAndItsCommandsRun) {
    Installation inst;
    WriteHelp(inst);
    TForm1 form;
    form.show();
    OpenPage(form, "index.texx");
    // A cell without a command does nothing.
    DoubleClick(form, 1, 1);
    EXPECT_EQ(form.Navigation().CurrentTexxFile, viewer::HelpIndexPage(form.Config().ProgramDir));

    DoubleClick(form, 1, 2);
    EXPECT_EQ(form.Navigation().CurrentTexxFile, form.Config().ProgramDir + "\\help\\second.texx");
    EXPECT_EQ(Text(form, 1, 1), QStringLiteral("Вторая страница"));
    EXPECT_EQ(form.StringGrid1->columnCount(), 2);
    EXPECT_EQ(form.PageGridLines(), (viewer::GridLines{false, false}));
    EXPECT_EQ(Section(form, 1, 1).size(), QSize(300, 20)) << "no grid lines, no line pixels";
    // The new page's own link works: back to the index, whose formula runs again.
    DoubleClick(form, 1, 2);
    EXPECT_EQ(Text(form, 2, 2), QStringLiteral("5"));
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
}

TEST(FormPages, LinkOutOfTheHelpFolderIsNotFollowed) {
    Installation inst;
    WriteHelp(inst);
    TForm1 form;
    form.show();
    OpenPage(form, "up.texx");
    DoubleClick(form, 1, 1);
    ASSERT_EQ(inst.dialogs.size(), 1u);
    EXPECT_NE(inst.dialogs.front().find("outside the help folder"), std::string::npos) << inst.dialogs.front();
    EXPECT_EQ(Text(form, 1, 1), QStringLiteral("Наверх"));
}

TEST(FormPages, BadPagesGiveOneErrorAndKeepThePageShown) {
    const struct {
        const char* name;
        std::string file;
        const char* message;
    } cases[] = {
        {"oversized", "600\r\n2\r\nongrid\r\n", "600 columns"},
        {"missing", "", "Cannot open file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Installation inst;
        WriteHelp(inst);
        if (!c.file.empty()) inst.Write("help/bad.texx", c.file);
        TForm1 form;
        form.show();
        OpenPage(form, "index.texx");
        form.SetCurrentTexxFile(form.Config().ProgramDir + "\\help\\bad.texx");
        form.N211->trigger();
        ASSERT_EQ(inst.dialogs.size(), 1u);
        EXPECT_NE(inst.dialogs.front().find(c.message), std::string::npos) << inst.dialogs.front();
        EXPECT_EQ(form.StringGrid1->columnCount(), 3);
        EXPECT_EQ(Text(form, 2, 2), QStringLiteral("5"));
        EXPECT_EQ(form.Pages().CellCommands.At(1, 2).Argument, "second.texx");
    }
}
