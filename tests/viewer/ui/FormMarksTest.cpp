// Guards the owned-book marks in the window: "I have it" and "I don't have it" on the picked
// book change the sub-list's file, the "Have" marks stand beside their own titles also after
// the list scrolled, a missing file is an empty list, and the book list's context menu, which
// acts on the book a right click picked and showed.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QImage>
#include <QListWidget>
#include <QMenu>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>

#include "CatalogFixture.h"
#include "ListMarks.h"
#include "TForm1.h"

using testsupport::ClickItem;
using testsupport::Installation;

namespace {

// Фантастика / Миры / Большая (Книга 01 to Книга 60) and Малая (Одна, no folder of its own).
void WriteShelf(const Installation& inst) {
    inst.WriteMinimal();  // marks in red: ColortextRead=255
    inst.Write("lang.txt", "Фантастика\r\n");
    inst.Write("Фантастика.txt", "Миры\r\n");
    inst.Write("Фантастика/Миры.txt", "Большая\r\nМалая\r\n");
    std::string books;
    for (int i = 1; i <= 60; ++i) books += "Книга " + std::string(i < 10 ? "0" : "") + std::to_string(i) + "\r\n";
    inst.Write("Фантастика/Миры/Большая.txt", books);
    inst.Write("Фантастика/Миры/Малая.txt", "Одна\r\n");
}

const std::string kBigHave = "Фантастика/Миры/Большая/Books/_have.txt";

void Open(TForm1& form, const char* subList) {
    ClickItem(form.ListBox8, "Фантастика");
    ClickItem(form.ListBox2, "Миры");
    ClickItem(form.ListBox9, subList);
}

viewerui::ListMarks* Marks(const TForm1& form) { return form.ListBox1->findChild<viewerui::ListMarks*>(); }

void Mark(TForm1& form, int row, QAction* action) {
    form.ListBox1->setCurrentRow(row);
    action->trigger();
}

// The rows of the visible list whose pixels hold the mark colour.
std::vector<int> RedRows(const TForm1& form) {
    QListWidget* list = form.ListBox1;
    QApplication::processEvents();
    const QImage image = list->viewport()->grab().toImage();
    std::vector<int> rows;
    for (int i = 0; i < list->count(); ++i) {
        const QRect r = list->visualItemRect(list->item(i)).intersected(image.rect());
        bool red = false;
        for (int y = r.top(); y <= r.bottom() && !red; ++y)
            for (int x = r.left(); x <= r.right() && !red; ++x) {
                const QColor c = image.pixelColor(x, y);
                red = c.red() > 150 && c.green() < 100 && c.blue() < 100;
            }
        if (red) rows.push_back(i);
    }
    return rows;
}

}  // namespace

TEST(FormMarks, MarksStandBesideTheirBooksAlsoAfterScrolling) {
    Installation inst;
    WriteShelf(inst);
    TForm1 form;
    form.show();
    Open(form, "Большая");
    Mark(form, 2, form.N2011);
    Mark(form, 45, form.N2011);
    Mark(form, 2, form.N2011);  // twice: the title stays once
    EXPECT_EQ(inst.Read(kBigHave), "Книга 03\r\nКнига 46\r\n");
    EXPECT_EQ(Marks(form)->rows(), (std::vector<int>{2, 45}));
    EXPECT_EQ(RedRows(form), std::vector<int>{2});  // row 45 is out of sight

    form.ListBox1->scrollToBottom();
    EXPECT_EQ(RedRows(form), std::vector<int>{45});  // nothing left where row 2 stood
    const QRect mark = Marks(form)->MarkRect(45);
    EXPECT_EQ(mark.top(), form.ListBox1->visualItemRect(form.ListBox1->item(45)).top());
    EXPECT_EQ(mark.right(), form.ListBox1->viewport()->width() - 11);

    Mark(form, 45, form.N2021);
    EXPECT_EQ(inst.Read(kBigHave), "Книга 03\r\n");
    EXPECT_EQ(Marks(form)->rows(), std::vector<int>{2});
    EXPECT_TRUE(RedRows(form).empty());
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();

    // Opening the sub-list again shows no marks until the next action.
    ClickItem(form.ListBox9, "Большая");
    EXPECT_TRUE(Marks(form)->rows().empty());
}

TEST(FormMarks, MissingFileIsAnEmptyListAndTheFirstTitleMakesIt) {
    Installation inst;
    WriteShelf(inst);
    TForm1 form;
    form.show();
    Open(form, "Малая");
    const std::string have = "Фантастика/Миры/Малая/Books/_have.txt";
    Mark(form, 0, form.N2021);
    EXPECT_FALSE(inst.Exists(have));
    EXPECT_TRUE(Marks(form)->rows().empty());
    Mark(form, 0, form.N2011);
    EXPECT_EQ(inst.Read(have), "Одна\r\n");
    EXPECT_EQ(Marks(form)->rows(), std::vector<int>{0});
    EXPECT_EQ(Marks(form)->colour(), QColor(255, 0, 0));
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
}

TEST(FormMarks, ADuplicateLineKeepsItsMarkAndCaseCounts) {
    Installation inst;
    WriteShelf(inst);
    inst.Write(kBigHave, "Книга 01\r\nкнига 02\r\nКнига 01\r\n");
    TForm1 form;
    form.show();
    Open(form, "Большая");
    Mark(form, 0, form.N2021);
    EXPECT_EQ(inst.Read(kBigHave), "Книга 01\r\nкнига 02\r\n");
    EXPECT_EQ(Marks(form)->rows(), std::vector<int>{0});  // "книга 02" is not "Книга 02"

    // Nothing picked: nothing to act on.
    form.ListBox1->clearSelection();
    form.N2011->trigger();
    EXPECT_EQ(inst.Read(kBigHave), "Книга 01\r\nкнига 02\r\n");
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
}

TEST(FormMarks, BookListOpensItsOwnContextMenu) {
    Installation inst;
    WriteShelf(inst);
    TForm1 form;
    form.show();
    Open(form, "Малая");
    const QPoint at = form.ListBox1->visualItemRect(form.ListBox1->item(0)).center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, form.ListBox1->viewport()->mapToGlobal(at));
    QApplication::sendEvent(form.ListBox1->viewport(), &event);
    ASSERT_TRUE(form.PopupMenu2->isVisible());
    EXPECT_FALSE(form.PopupMenu1->isVisible());
    QStringList captions;
    for (const QAction* action : form.PopupMenu2->actions()) captions << action->text();
    EXPECT_EQ(captions, (QStringList{QStringLiteral("I have it"), QStringLiteral("I don't have it")}));
    form.PopupMenu2->hide();
}

// A right click on a book picks it as a click does: the details and the cover show the book
// the menu then acts on.
TEST(FormMarks, ARightClickShowsTheBookTheMenuActsOn) {
    Installation inst;
    testsupport::WriteCatalog(inst);
    TForm1 form;
    form.show();
    testsupport::WalkToStarWorlds(form.ListBox8, form.ListBox2, form.ListBox9, "Первая");
    ClickItem(form.ListBox1, "Книга А");
    ASSERT_EQ(S(form.StringGrid3->item(3, 1)->text()), "Ночь");
    const auto found = form.ListBox1->findItems(QStringLiteral("Книга Б"), Qt::MatchExactly);
    ASSERT_FALSE(found.isEmpty());
    const QPoint at = form.ListBox1->visualItemRect(found.front()).center();
    QTest::mousePress(form.ListBox1->viewport(), Qt::RightButton, {}, at);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, form.ListBox1->viewport()->mapToGlobal(at));
    QApplication::sendEvent(form.ListBox1->viewport(), &event);
    QTest::mouseRelease(form.ListBox1->viewport(), Qt::RightButton, {}, at);
    ASSERT_TRUE(form.PopupMenu2->isVisible());
    EXPECT_EQ(form.ListBox1->currentItem(), found.front());
    EXPECT_EQ(S(form.Edit1->text()), "Книга Б");
    EXPECT_EQ(S(form.StringGrid3->item(3, 1)->text()), "утро") << "the details of the book shown before";
    EXPECT_TRUE(form.Image1->isVisible());
    EXPECT_FALSE(form.Image1->pixmap().isNull()) << "no cover";
    form.N2011->trigger();
    form.PopupMenu2->hide();
    EXPECT_EQ(inst.Read(testsupport::SubList("Первая") + "/Books/_have.txt"), "Книга Б\r\n");
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
}
