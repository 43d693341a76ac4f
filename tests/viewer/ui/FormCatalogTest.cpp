// Guards the walk through the catalog in the window: what each level loads and empties, the
// two special sub-list items, the merged story index, one clear error for a missing list
// file, and the Esc and F2 keys.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QTableWidget>
#include <QTest>

#include "CatalogFixture.h"
#include "ClickLabel.h"
#include "TForm1.h"
#include "TImagePlus.h"

using testsupport::ClickItem;
using testsupport::Installation;
using testsupport::Texts;

namespace {
using Strings = std::vector<std::string>;
}

TEST(FormCatalog, WalkDownToTheBooksAndBackUp) {
    Installation inst;
    testsupport::WriteCatalog(inst);
    TForm1 form;
    form.show();
    ClickItem(form.ListBox8, "Фантастика");
    EXPECT_EQ(form.Navigation().CurrentCategory, "Фантастика");
    EXPECT_EQ(Texts(form.ListBox2), (Strings{"Список рассказов", "Звёздные миры", "Нет файла"}));
    ClickItem(form.ListBox2, "Звёздные миры");
    EXPECT_EQ(form.Navigation().CurrentList, "Звёздные миры");
    EXPECT_EQ(form.ListBox9->count(), 6);
    EXPECT_TRUE(form.ListBox9->isVisible());
    ClickItem(form.ListBox9, "Первая");
    EXPECT_EQ(form.Navigation().CurrentSubList, "Первая");
    EXPECT_EQ(Texts(form.ListBox1), (Strings{"Книга А", "Книга Б", "Книга В"}));
    EXPECT_EQ(form.ListBox1->toolTip(), QStringLiteral("Number of books: 3"));
    EXPECT_TRUE(form.ListBox1->isVisible());
    EXPECT_TRUE(form.ScrollBox1->isVisible());
    EXPECT_TRUE(form.StringGrid3->isVisible());
    EXPECT_FALSE(form.ListBox4->isVisible());
    EXPECT_FALSE(form.Panel1->isVisible());

    ClickItem(form.ListBox1, "Книга А");
    EXPECT_EQ(form.ListBox7->count(), 3);
    // A category picked again empties every level below it.
    ClickItem(form.ListBox8, "Фантастика");
    EXPECT_EQ(form.ListBox2->count(), 3);
    EXPECT_EQ(form.ListBox9->count(), 0);
    EXPECT_EQ(form.ListBox1->count(), 0);
    EXPECT_EQ(form.ListBox7->count(), 0);
    EXPECT_TRUE(form.Memo2->toPlainText().isEmpty());
    EXPECT_FALSE(form.Image1->isVisible());
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
}

TEST(FormCatalog, ArrowKeysInAListPickLikeAClick) {
    Installation inst;
    testsupport::WriteCatalog(inst);
    TForm1 form;
    form.show();
    ClickItem(form.ListBox8, "Фантастика");
    form.ListBox2->setFocus();
    form.ListBox2->setCurrentRow(0);
    QTest::keyClick(form.ListBox2, Qt::Key_Down);
    EXPECT_EQ(form.Navigation().CurrentList, "Звёздные миры");
    EXPECT_EQ(form.ListBox9->count(), 6);
}

TEST(FormCatalog, SpecialItemsAmongTheListsOpenNothing) {
    Installation inst;
    testsupport::WriteCatalog(inst);
    TForm1 form;
    form.show();
    ClickItem(form.ListBox8, "Детективы");
    for (const char* item : {"Список рассказов", "Список книг"}) {
        SCOPED_TRACE(item);
        ClickItem(form.ListBox2, item);
        EXPECT_EQ(form.ListBox9->count(), 0);
        EXPECT_EQ(form.ListBox1->count(), 0);
        EXPECT_TRUE(form.Navigation().CurrentList.empty());
    }
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
}

TEST(FormCatalog, EmptySubListCountsNoBooks) {
    Installation inst;
    testsupport::WriteCatalog(inst);
    TForm1 form;
    form.show();
    ClickItem(form.ListBox8, "Фантастика");
    ClickItem(form.ListBox2, "Звёздные миры");
    ClickItem(form.ListBox9, "Первая");
    ClickItem(form.ListBox9, "Пустая");
    EXPECT_EQ(form.ListBox1->count(), 0);
    EXPECT_EQ(form.ListBox1->toolTip(), QStringLiteral("Number of books: 0"));
    EXPECT_EQ(form.Navigation().CurrentSubList, "Пустая");
}

TEST(FormCatalog, BookPageItemShowsThePagePanelOverTheDetails) {
    Installation inst;
    testsupport::WriteCatalog(inst);
    TForm1 form;
    form.show();
    ClickItem(form.ListBox8, "Фантастика");
    ClickItem(form.ListBox2, "Звёздные миры");
    ClickItem(form.ListBox9, "Первая");
    ClickItem(form.ListBox9, "Список книг");
    EXPECT_EQ(form.Navigation().PanelPage, "listbooks");
    EXPECT_EQ(form.Navigation().CurrentTexxFile, form.Config().ProgramDir + "\\Фантастика\\Звёздные миры\\books.texx");
    EXPECT_TRUE(form.Panel1->isVisible());
    EXPECT_TRUE(form.StringGrid1->isVisible());
    EXPECT_EQ(form.Panel1->geometry(), QRect(form.StringGrid3->x(), form.StringGrid3->y(), form.StringGrid3->width(),
                                             form.StringGrid3->height() + form.Memo2->height() + 10));
    EXPECT_EQ(form.StringGrid1->geometry(), QRect(QPoint(0, 0), form.Panel1->size()));
    // The list's page is loaded into the page grid.
    EXPECT_EQ(form.StringGrid1->columnCount(), 3);
    ASSERT_NE(form.StringGrid1->item(1, 2), nullptr);
    EXPECT_EQ(form.StringGrid1->item(1, 2)->text(), QStringLiteral("Вторая"));
    EXPECT_EQ(form.Pages().StringGrid2.Cell(1, 1), "AAAM");
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
    EXPECT_EQ(form.ListBox1->count(), 0);
    EXPECT_EQ(form.Navigation().CurrentSubList, "Первая");
    // A sub-list picked afterwards puts the details back.
    ClickItem(form.ListBox9, "Вторая");
    EXPECT_FALSE(form.Panel1->isVisible());
    EXPECT_TRUE(form.StringGrid3->isVisible());
}

TEST(FormCatalog, BookPageIsNotCoveredByTheOptionsPage) {
    // The options page lives on the same panel; opened once (and closed, or still open), its
    // controls must not lie over the page grid.
    for (const bool leaveOpen : {false, true}) {
        SCOPED_TRACE(leaveOpen ? "options open" : "options closed again");
        Installation inst;
        testsupport::WriteCatalog(inst);
        TForm1 form;
        form.show();
        ClickItem(form.ListBox8, "Фантастика");
        ClickItem(form.ListBox2, "Звёздные миры");
        emit form.Label2->clicked();
        ASSERT_TRUE(form.ImagePlus5->isVisible());
        if (!leaveOpen) emit form.Label2->clicked();
        ClickItem(form.ListBox9, "Список книг");
        EXPECT_EQ(form.Navigation().PanelPage, "listbooks");
        EXPECT_TRUE(form.StringGrid1->isVisible());
        EXPECT_FALSE(form.ImagePlus5->isVisible());
    }
}

// A page over the book area hides all of it, the story index too, which comes back when the
// page closes. The list-of-books page that the "Options" and "Help" labels close stays
// closed, and its sub-list item no longer looks picked.
TEST(FormCatalog, WhatAPageCoversComesBackAndThePickSaysWhatIsShown) {
    Installation inst;
    testsupport::WriteCatalog(inst);
    inst.Write("help/index.texx", "2\r\n2\r\nongrid\r\nСправка\r\n\r\n300\r\n20\r\n");
    inst.Write("skins/skins.txt", "Classic\r\n");
    TForm1 form;
    form.show();
    testsupport::WalkToStarWorlds(form.ListBox8, form.ListBox2, form.ListBox9, "Список рассказов");
    ASSERT_TRUE(form.ListBox4->isVisible());
    for (ClickLabel* label : {form.Label2, form.Label4}) {
        SCOPED_TRACE(S(label->text()));
        emit label->clicked();
        EXPECT_FALSE(form.ListBox4->isVisible()) << "the index shows beside the page";
        emit label->clicked();
        EXPECT_TRUE(form.ListBox4->isVisible());
        ASSERT_TRUE(form.ListBox9->currentItem());
        EXPECT_EQ(S(form.ListBox9->currentItem()->text()), "Список рассказов");
    }
    // Options, then Help: the index still comes back once the last page closes.
    emit form.Label2->clicked();
    emit form.Label4->clicked();
    emit form.Label4->clicked();
    EXPECT_TRUE(form.ListBox4->isVisible());

    ClickItem(form.ListBox9, "Список книг");
    EXPECT_FALSE(form.ListBox4->isVisible()) << "the index lies beneath the list-of-books page";
    for (ClickLabel* label : {form.Label2, form.Label4}) {
        SCOPED_TRACE(S(label->text()));
        ClickItem(form.ListBox9, "Список книг");
        emit label->clicked();
        emit label->clicked();
        EXPECT_FALSE(form.Panel1->isVisible());
        EXPECT_FALSE(form.ListBox4->isVisible());
        EXPECT_EQ(form.ListBox9->currentItem(), nullptr) << "the closed page's item stays picked";
    }
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
}

TEST(FormCatalog, StoryIndexMergesTheSubListsOfTheList) {
    Installation inst;
    testsupport::WriteCatalog(inst);
    TForm1 form;
    form.show();
    ClickItem(form.ListBox8, "Фантастика");
    ClickItem(form.ListBox2, "Звёздные миры");
    ClickItem(form.ListBox9, "Первая");
    ClickItem(form.ListBox1, "Книга А");
    ClickItem(form.ListBox9, "Список рассказов");
    // Shared "Ночь" once, "утро" and "Утро" both, line 6 "Седьмая" and empty lines not at all.
    EXPECT_EQ(Texts(form.ListBox4), (Strings{"1", "2", "3", "4", "Вечер", "День", "Закат", "Ночь", "Утро", "утро"}));
    EXPECT_EQ(form.ListBox4->toolTip(), QStringLiteral("Number of stories: 10"));
    EXPECT_TRUE(form.ListBox4->isVisible());
    EXPECT_EQ(form.focusWidget(), form.ListBox4);
    EXPECT_FALSE(form.ListBox1->isVisible());
    EXPECT_FALSE(form.StringGrid3->isVisible());
    EXPECT_FALSE(form.ScrollBox1->isVisible());
    EXPECT_EQ(form.ListBox7->count(), 0);
    EXPECT_EQ(form.Navigation().CurrentSubList, "Нет файла");  // the last item walked
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
}

TEST(FormCatalog, MissingListFileGivesOneErrorAndLeavesTheLevelsEmpty) {
    struct Case {
        const char* category;
        const char* list;
        const char* subList;
        const char* named;
    };
    const Case cases[] = {
        {"Детективы", nullptr, nullptr, "Детективы.txt"},
        {"Фантастика", "Нет файла", nullptr, "Нет файла.txt"},
        {"Фантастика", "Звёздные миры", "Нет файла", "Звёздные миры/Нет файла.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.named);
        Installation inst;
        testsupport::WriteCatalog(inst);
        TForm1 form;
        form.show();
        ClickItem(form.ListBox8, "Фантастика");
        ClickItem(form.ListBox2, "Звёздные миры");
        ClickItem(form.ListBox9, "Первая");
        ClickItem(form.ListBox1, "Книга А");
        if (!c.list) std::filesystem::remove(inst.dir() / "Детективы.txt");
        ClickItem(form.ListBox8, c.category);
        if (c.list) ClickItem(form.ListBox2, c.list);
        if (c.subList) ClickItem(form.ListBox9, c.subList);
        ASSERT_EQ(inst.dialogs.size(), 1u);
        EXPECT_NE(inst.dialogs[0].find(c.named), std::string::npos) << inst.dialogs[0];
        EXPECT_EQ(form.ListBox2->count(), c.list ? 3 : 0);
        EXPECT_EQ(form.ListBox9->count(), c.subList ? 6 : 0);
        EXPECT_EQ(form.ListBox1->count(), 0);
        EXPECT_EQ(form.ListBox7->count(), 0);
        EXPECT_EQ(form.Navigation().CurrentSubList, "Первая");  // set only by a sub-list that loaded
    }
}

TEST(FormCatalog, EscInTheCatalogControlsEndsTheProgram) {
    const char* controls[] = {"ListBox1", "ListBox2", "ListBox4", "ListBox8", "ListBox9", "Memo2", "StringGrid3"};
    for (const char* name : controls) {
        SCOPED_TRACE(name);
        Installation inst;
        testsupport::WriteCatalog(inst);
        TForm1 form;
        form.show();
        auto* control = form.findChild<QWidget*>(QString::fromLatin1(name));
        ASSERT_TRUE(control);
        control->setVisible(true);
        QTest::keyClick(control, Qt::Key_A);
        EXPECT_TRUE(form.isVisible());
        QTest::keyClick(control, Qt::Key_Escape);
        EXPECT_FALSE(form.isVisible());
    }
}

TEST(FormCatalog, F2AnywhereEmptiesTheQuickSearchBoxAndFocusesIt) {
    Installation inst;
    testsupport::WriteCatalog(inst);
    TForm1 form;
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    for (QWidget* from : {static_cast<QWidget*>(form.ListBox8), static_cast<QWidget*>(form.StringGrid3)}) {
        SCOPED_TRACE(S(from->objectName()));
        form.Edit3->setText(QStringLiteral("Quick search"));
        from->setFocus();
        QTest::keyClick(from, Qt::Key_F2);
        EXPECT_TRUE(form.Edit3->hasFocus());
        EXPECT_TRUE(form.Edit3->text().isEmpty());
        EXPECT_EQ(form.Edit3->font().pointSize(), 8);
    }
}
