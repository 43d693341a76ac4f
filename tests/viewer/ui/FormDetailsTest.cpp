// Guards the book details in the window: the grid set up at start-up, what a book pick and
// the quick-search view show (cover really drawn, placeholder for a missing one, nothing
// left of the book before), and what the shell is asked to open.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QTableWidget>
#include <QTest>

#include "CatalogFixture.h"
#include "ListMarks.h"
#include "TForm1.h"

using testsupport::ClickItem;
using testsupport::Installation;
using testsupport::Texts;

namespace {

using Strings = std::vector<std::string>;

std::string Cell(const TForm1& form, int col, int row) {
    const QTableWidgetItem* item = form.StringGrid3->item(row, col);
    return item ? S(item->text()) : std::string("<none>");
}

// Книга А of "Первая": every file a book can have; Книга Б: its stories only.
void WriteBooks(const Installation& inst) {
    testsupport::WriteCatalog(inst);
    const std::string s = testsupport::SubList("Первая");
    inst.Write(s + "/Files/Книга А.txt",
               "Ночь\r\nУтро\r\nДень\r\nВечер\r\nЗакат\r\nРассвет\r\nшесть\r\nсемь\r\nвосемь\r\n"
               "Эпизод 1\r\nЭпизод 2\r\nЭпизод 3\r\n");
    std::string data;
    for (int i = 0; i < 27; ++i) data += "d" + std::to_string(i) + "\r\n";
    inst.Write(s + "/Books/Книга А.txt", data);
    inst.Write(s + "/Books/moreinfo/Книга А.txt", "Первая строка описания\r\nВторая\r\n");
    testsupport::WriteJpeg(inst.dir() / (s + "/images/Книга А.jpg"), 120, 80, QColor(200, 30, 30), Qt::yellow);
    inst.Write(s + "/Files/Книга Б.txt", "Полдень\r\nВечер\r\n\r\n");
    inst.Write(s + "/Books/Doc/Утро.doc", "");
    inst.Write("docs/Ночь.doc", "");
    inst.Write("docs/Ночь.fb2", "");
    inst.Write("docs/Утро.rtf", "");
}

void OpenFirstSubList(TForm1& form) {
    ClickItem(form.ListBox8, "Фантастика");
    ClickItem(form.ListBox2, "Звёздные миры");
    ClickItem(form.ListBox9, "Первая");
}

}  // namespace

TEST(FormDetails, StartUpSetsUpTheDetailsGrid) {
    Installation inst;
    testsupport::WriteCatalog(inst);
    TForm1 form;
    ASSERT_EQ(form.StringGrid3->columnCount(), 10);
    ASSERT_EQ(form.StringGrid3->rowCount(), 30);
    EXPECT_FALSE(form.StringGrid3->showGrid());
    EXPECT_EQ(form.StringGrid3->rowHeight(0), 10);
    const int widths[] = {10, 240, 15, 25, 15, 270, 15, 150, 15, 200};
    for (int c = 0; c < 10; ++c) EXPECT_EQ(form.StringGrid3->columnWidth(c), widths[c]) << c;
    EXPECT_EQ(Cell(form, 1, 1), "Список рассказов");
    EXPECT_EQ(Cell(form, 9, 1), "Дополнительня информация");
    EXPECT_EQ(Cell(form, 9, 7), "ISBN TF:");
    EXPECT_NE(form.StringGrid3->editTriggers(), QAbstractItemView::NoEditTriggers);
    ASSERT_TRUE(form.N5021);
    EXPECT_FALSE(form.N5021->isVisible());
}

TEST(FormDetails, BookPickShowsCoverStoriesDataAndDescription) {
    Installation inst;
    WriteBooks(inst);
    TForm1 form;
    form.show();
    OpenFirstSubList(form);
    ClickItem(form.ListBox1, "Книга А");
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
    EXPECT_EQ(S(form.Edit1->text()), "Книга А");
    EXPECT_EQ(form.ListBox7->count(), 12);
    EXPECT_EQ(Cell(form, 1, 3), "Ночь");
    EXPECT_EQ(Cell(form, 3, 3), "FB2");
    EXPECT_EQ(Cell(form, 3, 4), "RTF");
    EXPECT_EQ(Cell(form, 3, 5), "");
    EXPECT_EQ(Cell(form, 1, 8), "Рассвет");
    EXPECT_EQ(Cell(form, 5, 3), "Эпизод 1");
    EXPECT_EQ(Cell(form, 5, 5), "Эпизод 3");
    EXPECT_EQ(Cell(form, 9, 3), "Тираж: d0");
    EXPECT_EQ(Cell(form, 9, 8), "Номер выпуска: d6");
    EXPECT_EQ(Cell(form, 7, 9), "d15");
    EXPECT_EQ(Cell(form, 1, 14), "d25 by d26");
    EXPECT_EQ(Cell(form, 1, 9), "Переведено с ...");
    EXPECT_EQ(S(form.Memo2->toPlainText()), "Первая строка описания\nВторая");
    EXPECT_EQ(form.Memo2->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

    // The cover is drawn at its natural size, pixel for pixel as the JPEG decodes.
    ASSERT_TRUE(form.Image1->isVisible());
    const QImage jpeg(Q(inst.dir() / (testsupport::SubList("Первая") + "/images/Книга А.jpg")));
    ASSERT_FALSE(jpeg.isNull());
    EXPECT_EQ(form.Image1->size(), jpeg.size());
    const QImage shown = form.Image1->grab().toImage();
    for (const QPoint at : {QPoint(15, 40), QPoint(100, 20)}) {
        SCOPED_TRACE(testing::Message() << at.x() << "," << at.y());
        EXPECT_EQ(QColor(shown.pixel(at)), QColor(jpeg.pixel(at)));
    }
    EXPECT_GT(qRed(shown.pixel(15, 40)), 150);

    // The story with a readable document gets its "Read" mark on the hidden story list.
    const auto* marks = form.ListBox7->findChild<viewerui::ListMarks*>();
    ASSERT_TRUE(marks);
    EXPECT_EQ(marks->rows(), std::vector<int>{1});
    EXPECT_EQ(marks->colour(), QColor(255, 0, 0));  // ColortextRead=255 of the fixture's skin
}

TEST(FormDetails, NextBookLeavesNothingOfTheOneBefore) {
    Installation inst;
    WriteBooks(inst);
    TForm1 form;
    form.show();
    OpenFirstSubList(form);
    ClickItem(form.ListBox1, "Книга А");
    for (int col = 0; col < 10; ++col) form.StringGrid3->item(20, col)->setText(QStringLiteral("typed"));
    ClickItem(form.ListBox1, "Книга Б");
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
    // Only the headings, the bare labels and Книга Б's two stories are left.
    for (int row = 0; row < 30; ++row) {
        for (int col = 0; col < 10; ++col) {
            SCOPED_TRACE(testing::Message() << "[" << col << "," << row << "]");
            std::string expected;
            if (col == 1 && row == 3) expected = "Полдень";
            else if (col == 1 && row == 4) expected = "Вечер";
            else if (col == 9 && row >= 3 && row <= 8)
                expected = S(QStringList{"Тираж:", "Год издания:", "Количество страниц:", "ISBN из-ва АСТ:", "ISBN TF:",
                                         "Номер выпуска:"}[row - 3]);
            else if (row == 1 && col == 1) expected = "Список рассказов";
            else if (row == 1 && col == 5) expected = "Соответствие эпизодам";
            else if (row == 1 && col == 7) expected = "Автор русской версии";
            else if (row == 1 && col == 9) expected = "Дополнительня информация";
            else if (row == 9 && col == 1) expected = "Переведено с ...";
            EXPECT_EQ(Cell(form, col, row), expected);
        }
    }
    EXPECT_EQ(Texts(form.ListBox7), (Strings{"Полдень", "Вечер", ""}));
    EXPECT_TRUE(form.Memo2->toPlainText().isEmpty());
    EXPECT_TRUE(form.ListBox7->findChild<viewerui::ListMarks*>()->rows().empty());
    // No cover of its own: the sub-list's placeholder, not the cover before.
    const QImage noti(Q(inst.dir() / (testsupport::SubList("Первая") + "/images/noti.jpg")));
    EXPECT_EQ(form.Image1->size(), noti.size());
    EXPECT_EQ(QColor(form.Image1->grab().toImage().pixel(5, 5)), QColor(noti.pixel(5, 5)));
}

TEST(FormDetails, MissingPlaceholderOrBrokenCoverIsOneError) {
    struct Case {
        const char* name;
        const char* book;
        const char* named;
    };
    const Case cases[] = {{"placeholder missing", "Книга Б", "noti.jpg"}, {"cover broken", "Книга А", "Книга А.jpg"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Installation inst;
        WriteBooks(inst);
        const std::string images = testsupport::SubList("Первая") + "/images/";
        std::filesystem::remove(inst.dir() / (images + "noti.jpg"));
        inst.Write(images + "Книга А.jpg", "not a picture");
        TForm1 form;
        form.show();
        OpenFirstSubList(form);
        ClickItem(form.ListBox1, c.book);
        ASSERT_EQ(inst.dialogs.size(), 1u);
        EXPECT_NE(inst.dialogs[0].find(c.named), std::string::npos) << inst.dialogs[0];
        EXPECT_EQ(S(form.Edit1->text()), c.book);
    }
}

TEST(FormDetails, QuickSearchViewShowsTheHit) {
    Installation inst;
    WriteBooks(inst);
    TForm1 form;
    form.show();
    OpenFirstSubList(form);
    ClickItem(form.ListBox1, "Книга Б");
    form.Memo2->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    form.SetSearchHitIndex(0);
    form.N5011->trigger();
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
    EXPECT_EQ(S(form.Edit1->text()), "Книга А");
    // Story lines 0 to 5 only: line 6 would stand over the heading of row 9.
    EXPECT_EQ(Cell(form, 1, 8), "Рассвет");
    EXPECT_EQ(Cell(form, 1, 9), "Переведено с ...");
    EXPECT_EQ(Cell(form, 1, 10), "");
    EXPECT_EQ(Cell(form, 5, 3), "Эпизод 1");
    EXPECT_EQ(Cell(form, 3, 3), "FB2");
    EXPECT_EQ(Cell(form, 7, 3), "d3");
    EXPECT_EQ(Cell(form, 9, 7), "ISBN TF: d5");
    EXPECT_EQ(Cell(form, 9, 8), "Номер выпуска:");
    EXPECT_EQ(Cell(form, 1, 14), "");
    EXPECT_FALSE(form.Memo2->toPlainText().isEmpty());
    EXPECT_EQ(form.Memo2->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);  // left as it was
    EXPECT_EQ(form.Image1->size(), QSize(120, 80));

    form.SetSearchHitIndex(7);
    form.N5011->trigger();
    ASSERT_EQ(inst.dialogs.size(), 1u);
    EXPECT_NE(inst.dialogs[0].find("7"), std::string::npos) << inst.dialogs[0];
}

TEST(FormDetails, DoubleClickOnAFormatMarkOpensTheStoryDocuments) {
    Installation inst;
    WriteBooks(inst);
    testsupport::RecordingOpener shell;
    TForm1 form;
    form.show();
    OpenFirstSubList(form);
    ClickItem(form.ListBox1, "Книга А");
    struct Case {
        int col, row;
        Strings opened;
    };
    const Case cases[] = {
        {3, 3, {"docs/Ночь.doc", "docs/Ночь.fb2"}},
        {3, 4, {"docs/Утро.rtf"}},
        {3, 5, {}},  // a story without documents
        {1, 3, {}},  // outside the mark column
        {5, 3, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "[" << c.col << "," << c.row << "]");
        shell.opened.clear();
        QTableWidgetItem* item = form.StringGrid3->item(c.row, c.col);
        form.StringGrid3->scrollToItem(item);
        // A double click: press and release, then the second press arrives as the double click.
        const QPoint at = form.StringGrid3->visualItemRect(item).center();
        QTest::mouseClick(form.StringGrid3->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(form.StringGrid3->viewport(), Qt::LeftButton, {}, at);
        Strings opened;
        for (const auto& p : shell.opened) opened.push_back(std::filesystem::relative(p, inst.dir()).string());
        EXPECT_EQ(opened, c.opened);
    }
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
}

// A document the desktop cannot open is told, naming the file and why.
TEST(FormDetails, ADocumentThatDoesNotOpenIsTold) {
    Installation inst;
    WriteBooks(inst);
    testsupport::RecordingOpener shell("no program is set to open files of this type");
    TForm1 form;
    form.show();
    OpenFirstSubList(form);
    ClickItem(form.ListBox1, "Книга А");
    QTableWidgetItem* item = form.StringGrid3->item(4, 3);
    const QPoint at = form.StringGrid3->visualItemRect(item).center();
    QTest::mouseClick(form.StringGrid3->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(form.StringGrid3->viewport(), Qt::LeftButton, {}, at);
    ASSERT_EQ(shell.opened.size(), 1u);
    ASSERT_EQ(inst.dialogs.size(), 1u);
    EXPECT_EQ(inst.dialogs.front(), "error: Cannot open \"" + shell.opened.front().string() +
                                        "\": no program is set to open files of this type.");
}

TEST(FormDetails, HiddenStoryListOpensTheReadableDocument) {
    Installation inst;
    WriteBooks(inst);
    testsupport::RecordingOpener shell;
    TForm1 form;
    form.show();
    OpenFirstSubList(form);
    ClickItem(form.ListBox1, "Книга А");
    for (int row : {0, 1}) {
        form.ListBox7->setCurrentRow(row);
        form.ListBox7DblClick();
    }
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.opened[0], inst.dir() / (testsupport::SubList("Первая") + "/Books/Doc/Утро.doc"));
}

TEST(FormDetails, MarkColourThatIsNoNumberIsOneErrorWhenAMarkIsDue) {
    Installation inst;
    WriteBooks(inst);
    inst.Write("skins/Classic/color.ini", "[Editor]\r\nColortextRead=green\r\n");
    TForm1 form;
    form.show();
    OpenFirstSubList(form);
    ClickItem(form.ListBox1, "Книга Б");  // no readable documents: no colour needed
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
    ClickItem(form.ListBox1, "Книга А");
    ASSERT_EQ(inst.dialogs.size(), 1u);
    EXPECT_NE(inst.dialogs[0].find("green"), std::string::npos) << inst.dialogs[0];
}

TEST(FormDetails, HeadingsAreDrawnInGreen) {
    Installation inst;
    testsupport::WriteCatalog(inst);
    TForm1 form;
    form.show();
    const QImage grid = form.StringGrid3->viewport()->grab().toImage();
    auto greenIn = [&](int col, int row) {
        const QRect cell = form.StringGrid3->visualItemRect(form.StringGrid3->item(row, col));
        for (int y = cell.top(); y <= cell.bottom(); ++y)
            for (int x = cell.left(); x <= cell.right(); ++x)
                if (grid.valid(x, y) && QColor(grid.pixel(x, y)) == QColor(0, 128, 0)) return true;
        return false;
    };
    EXPECT_TRUE(greenIn(1, 1));
    EXPECT_TRUE(greenIn(5, 1));
    EXPECT_FALSE(greenIn(9, 3));
}
