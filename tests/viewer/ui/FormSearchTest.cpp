// Guards the quick search in the window: the first hit in catalog order shown through the
// quick-search view, case ignored for Cyrillic and Latin, where the lists, their picked items
// and the navigation state stand after a hit, a miss or a missing list file, the texts that do not search, the
// box's keys and font sizes, and a search that sees a list file changed on disk.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollArea>
#include <QTableWidget>
#include <QTest>

#include "CatalogFixture.h"
#include "TForm1.h"

using testsupport::ClickItem;
using testsupport::Installation;
using testsupport::Texts;

namespace {

using Strings = std::vector<std::string>;

// Фантастика / Звёздные миры / Первая (Книга А, Пикник) and Вторая (Орбита);
// Детективы / Архив / Ранние (Пикник у моста, Пикет, Zebra);
// Приключения / Моря / Пираты (Шторм, Пикник на палубе). Headings at every level.
void WriteSearchCatalog(const Installation& inst) {
    inst.WriteMinimal();
    inst.Write("lang.txt", "Фантастика\r\nДетективы\r\nПриключения\r\n");
    inst.Write("Фантастика.txt", "Список рассказов\r\nЗвёздные миры\r\n");
    inst.Write("Фантастика/Звёздные миры.txt", "Список книг\r\nПервая\r\nСписок рассказов\r\nВторая\r\n");
    inst.Write("Фантастика/Звёздные миры/Первая.txt", "Книга А\r\nПикник\r\n");
    inst.Write("Фантастика/Звёздные миры/Вторая.txt", "Орбита\r\n");
    inst.Write("Фантастика/Звёздные миры/books.texx", "2\r\n2\r\nongrid\r\nКнига А\r\n\r\n200\r\n20\r\n");
    inst.Write("Детективы.txt", "Архив\r\n");
    inst.Write("Детективы/Архив.txt", "Ранние\r\n");
    inst.Write("Детективы/Архив/Ранние.txt", "Пикник у моста\r\nПикет\r\nZebra\r\n");
    inst.Write("Приключения.txt", "Моря\r\nСписок книг\r\n");
    inst.Write("Приключения/Моря.txt", "Пираты\r\n");
    inst.Write("Приключения/Моря/Пираты.txt", "Шторм\r\nПикник на палубе\r\n");
    for (const char* subList : {"Фантастика/Звёздные миры/Первая", "Фантастика/Звёздные миры/Вторая",
                                "Детективы/Архив/Ранние", "Приключения/Моря/Пираты"})
        testsupport::WriteJpeg(inst.dir() / (std::string(subList) + "/images/noti.jpg"), 20, 20, Qt::gray, Qt::gray);
    inst.Write("Фантастика/Звёздные миры/Первая/Files/Пикник.txt", "Костёр\r\nРека\r\n");
}

// Key presses carrying the characters, one keystroke (and one search) per character; the
// test library's own typing knows ASCII only.
void KeyIn(QWidget* box, const QString& text) {
    for (const QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(box, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(box, &release);
    }
}

// Clicks into the box and types.
void Type(TForm1& form, const char* text) {
    QTest::mouseClick(form.Edit3, Qt::LeftButton);
    KeyIn(form.Edit3, QString::fromUtf8(text));
}

struct Shown {
    std::string category, list, subList;
    Strings lists, subLists, books;
    std::string pickedSubList = subList;  // the sub-list picked: the one whose books are shown
};

std::string Picked(const QListWidget* list) {
    const QListWidgetItem* item = list->currentItem();
    return item && item->isSelected() ? S(item->text()) : "(none)";
}

// The lists show the walk's last category, list and sub-list, each picked in the list above.
void ExpectShown(const TForm1& form, const Shown& s) {
    EXPECT_EQ(Picked(form.ListBox8), s.category);
    EXPECT_EQ(Picked(form.ListBox2), s.list);
    EXPECT_EQ(Picked(form.ListBox9), s.pickedSubList);
    EXPECT_EQ(form.Navigation().CurrentCategory, s.category);
    EXPECT_EQ(form.Navigation().CurrentList, s.list);
    EXPECT_EQ(form.Navigation().CurrentSubList, s.subList);
    EXPECT_EQ(Texts(form.ListBox2), s.lists);
    EXPECT_EQ(Texts(form.ListBox9), s.subLists);
    EXPECT_EQ(Texts(form.ListBox1), s.books);
}

const Shown kFirstSubList{"Фантастика", "Звёздные миры", "Первая",
                          {"Список рассказов", "Звёздные миры"},
                          {"Список книг", "Первая", "Список рассказов", "Вторая"},
                          {"Книга А", "Пикник"}};
const Shown kLastSubList{"Приключения", "Моря", "Пираты", {"Моря", "Список книг"}, {"Пираты"},
                         {"Шторм", "Пикник на палубе"}};

}  // namespace

TEST(FormSearch, TypingShowsTheFirstHitInCatalogOrder) {
    struct Case {
        const char* text;
        Shown shown;
        int hit;
        const char* book;
    };
    const Shown detectives{"Детективы", "Архив", "Ранние", {"Архив"}, {"Ранние"},
                           {"Пикник у моста", "Пикет", "Zebra"}};
    const Case cases[] = {
        {"пик", kFirstSubList, 1, "Пикник"},  // "Пикник у моста" of a later category loses
        {"ПИК", kFirstSubList, 1, "Пикник"},
        {"ПиКнИк", kFirstSubList, 1, "Пикник"},
        {"пике", detectives, 1, "Пикет"},
        {"zEB", detectives, 2, "Zebra"},
        {"пикник н", kLastSubList, 1, "Пикник на палубе"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Installation inst;
        WriteSearchCatalog(inst);
        TForm1 form;
        form.show();
        Type(form, c.text);
        EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
        ExpectShown(form, c.shown);
        EXPECT_EQ(form.Navigation().SearchHitIndex, c.hit);
        EXPECT_EQ(S(form.Edit1->text()), c.book);  // the quick-search view shows the hit
        EXPECT_EQ(Picked(form.ListBox1), c.book);
        EXPECT_TRUE(form.ListBox1->isVisible());
        EXPECT_TRUE(form.ListBox9->isVisible());
        EXPECT_TRUE(form.StringGrid3->isVisible());
        EXPECT_TRUE(form.Image1->isVisible());
        EXPECT_EQ(form.ListBox1->toolTip(),
                  QStringLiteral("Number of books: %1").arg(c.shown.books.size()));
    }
}

TEST(FormSearch, QuickSearchViewFillsTheGridOfTheHit) {
    Installation inst;
    WriteSearchCatalog(inst);
    TForm1 form;
    form.show();
    Type(form, "пикн");
    ASSERT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
    EXPECT_EQ(S(form.StringGrid3->item(3, 1)->text()), "Костёр");
    EXPECT_EQ(S(form.StringGrid3->item(4, 1)->text()), "Река");
}

TEST(FormSearch, TextLongerThanEveryTitleLeavesTheListsAtTheLastSubList) {
    Installation inst;
    WriteSearchCatalog(inst);
    TForm1 form;
    form.show();
    Type(form, "пик");
    ASSERT_EQ(S(form.Edit1->text()), "Пикник");
    form.Edit3->setText(QStringLiteral("Пикник на палубе и ещё немного"));
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
    ExpectShown(form, kLastSubList);
    // No hit: the book shown before stays, and no book of the list shown is picked.
    EXPECT_EQ(S(form.Edit1->text()), "Пикник");
    EXPECT_EQ(form.Navigation().SearchHitIndex, 1);
    EXPECT_EQ(Picked(form.ListBox1), "(none)");
}

TEST(FormSearch, PlaceholderAndEmptyTextDoNotSearch) {
    Installation inst;
    WriteSearchCatalog(inst);
    TForm1 form;
    form.show();
    ClickItem(form.ListBox8, "Фантастика");
    ClickItem(form.ListBox2, "Звёздные миры");
    ClickItem(form.ListBox9, "Вторая");
    // A search for "" would show Книга А, one for "Quick search" the last sub-list.
    QTest::mouseClick(form.Edit3, Qt::LeftButton);  // empties the box
    form.Edit3->setText(QStringLiteral("Quick search"));
    form.Edit3->clear();
    QTest::keyClick(form.Edit3, Qt::Key_Escape);  // writes the placeholder
    EXPECT_EQ(form.Edit3->text(), QStringLiteral("Quick search"));
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.Navigation().CurrentSubList, "Вторая");
    EXPECT_EQ(Texts(form.ListBox1), Strings{"Орбита"});
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
}

TEST(FormSearch, BoxKeysAndFontSizes) {
    struct Case {
        const char* options;  // options.ini before start-up ("" for none)
        int idleSize;         // point size after Esc
    };
    const Case cases[] = {{"", 6}, {"[Interface]\r\nText size=12\r\n", 10}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.idleSize);
        Installation inst;
        WriteSearchCatalog(inst);
        if (*c.options) inst.Write("options.ini", c.options);
        TForm1 form;
        form.show();
        QTest::mouseClick(form.Edit3, Qt::LeftButton);
        EXPECT_TRUE(form.Edit3->text().isEmpty());
        EXPECT_EQ(form.Edit3->font().pointSize(), 8);
        KeyIn(form.Edit3, QStringLiteral("Ор"));
        QTest::keyClick(form.Edit3, Qt::Key_Return);  // only the reset command does anything
        EXPECT_TRUE(form.isVisible());
        // Esc on a typed text: the placeholder again, the window stays.
        QTest::keyClick(form.Edit3, Qt::Key_Escape);
        EXPECT_EQ(form.Edit3->text(), QStringLiteral("Quick search"));
        EXPECT_EQ(form.Edit3->font().pointSize(), c.idleSize);
        EXPECT_TRUE(form.isVisible());
        // Esc on the placeholder ends the program.
        QTest::keyClick(form.Edit3, Qt::Key_Escape);
        EXPECT_FALSE(form.isVisible());
        EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
    }
    Installation inst;
    WriteSearchCatalog(inst);
    TForm1 form;
    form.show();
    form.Edit3->setText(QStringLiteral("Поиск"));  // the other placeholder Esc knows
    QTest::keyClick(form.Edit3, Qt::Key_Escape);
    EXPECT_FALSE(form.isVisible());
}

TEST(FormSearch, HitIsShownOverTheStoryIndexAndTheBookPage) {
    Installation inst;
    WriteSearchCatalog(inst);
    TForm1 form;
    form.show();
    ClickItem(form.ListBox8, "Фантастика");
    ClickItem(form.ListBox2, "Звёздные миры");
    ClickItem(form.ListBox9, "Список рассказов");
    ASSERT_TRUE(form.ListBox4->isVisible());
    Type(form, "орб");
    EXPECT_FALSE(form.ListBox4->isVisible());
    EXPECT_TRUE(form.StringGrid3->isVisible());
    EXPECT_TRUE(form.ScrollBox1->isVisible());
    EXPECT_TRUE(form.ListBox1->isVisible());

    ClickItem(form.ListBox9, "Список книг");
    ASSERT_TRUE(form.Panel1->isVisible());
    Type(form, "шт");
    EXPECT_FALSE(form.Panel1->isVisible());
    EXPECT_TRUE(form.StringGrid3->isVisible());
    EXPECT_EQ(S(form.Edit1->text()), "Шторм");
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
}

TEST(FormSearch, MissingListFileGivesOneErrorAndKeepsWhatWasLoaded) {
    Installation inst;
    WriteSearchCatalog(inst);
    std::filesystem::remove(inst.dir() / "Детективы/Архив/Ранние.txt");
    TForm1 form;
    form.show();
    form.Edit3->setText(QStringLiteral("нет такой книги"));
    ASSERT_EQ(inst.dialogs.size(), 1u);
    EXPECT_NE(inst.dialogs[0].find("Ранние.txt"), std::string::npos) << inst.dialogs[0];
    // The walk stopped in Детективы; the books are still those of the sub-list before, which
    // the list of sub-lists shown does not hold.
    ExpectShown(form, {"Детективы", "Архив", "Вторая", {"Архив"}, {"Ранние"}, {"Орбита"}, "(none)"});
}

TEST(FormSearch, SearchSeesAListFileChangedOnDisk) {
    Installation inst;
    WriteSearchCatalog(inst);
    TForm1 form;
    form.show();
    form.Edit3->setText(QStringLiteral("новы"));
    ExpectShown(form, kLastSubList);
    inst.Write("Фантастика/Звёздные миры/Первая.txt", "Книга А\r\nПикник\r\nНовый день\r\n");
    form.Edit3->setText(QStringLiteral("новый"));
    EXPECT_EQ(form.Navigation().CurrentSubList, "Первая");
    EXPECT_EQ(form.Navigation().SearchHitIndex, 2);
    EXPECT_EQ(S(form.Edit1->text()), "Новый день");
    // The same size again, another title.
    inst.Write("Фантастика/Звёздные миры/Первая.txt", "Книга А\r\nПикник\r\nНовая дата\r\n");
    form.Edit3->setText(QStringLiteral("новый д"));
    EXPECT_EQ(form.Navigation().CurrentSubList, "Пираты");
    form.Edit3->setText(QStringLiteral("новая"));
    EXPECT_EQ(S(form.Edit1->text()), "Новая дата");
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
}
