// Catalog navigation: the category, list and sub-list levels, the special sub-list items,
// the merged story index, and the keys of the catalog's controls.
#include <QAction>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QShortcut>
#include <QTableWidget>

#include "Catalog.h"
#include "DetailsGridDelegate.h"
#include "ListItems.h"
#include "ListMarks.h"
#include "QtBridge.h"
#include "TForm1.h"

using viewerui::FillList;
using viewerui::Items;

void TForm1::connectCatalogHandlers() {
    N5011 = addRoutine("N5011", "501", &TForm1::N5011Click);
    N5021 = addRoutine("N5021", "502", &TForm1::N5021Click);
    bind(ListBox8, &QListWidget::itemClicked, &TForm1::ListBox8Click);
    bind(ListBox2, &QListWidget::itemClicked, &TForm1::ListBox2Click);
    bind(ListBox9, &QListWidget::itemClicked, &TForm1::ListBox9Click);
    bind(ListBox1, &QListWidget::itemClicked, &TForm1::ListBox1Click);
    bind(ListBox7, &QListWidget::itemClicked, &TForm1::ListBox7Click);
    bind(ListBox7, &QListWidget::itemDoubleClicked, &TForm1::ListBox7DblClick);
    bind(StringGrid3, &QTableWidget::cellDoubleClicked, &TForm1::StringGrid3DblClick);
    for (QWidget* control : {static_cast<QWidget*>(ListBox1), static_cast<QWidget*>(ListBox2),
                             static_cast<QWidget*>(ListBox4), static_cast<QWidget*>(ListBox8),
                             static_cast<QWidget*>(ListBox9), static_cast<QWidget*>(Memo2),
                             static_cast<QWidget*>(StringGrid3)})
        control->installEventFilter(this);
    // The window sees F2 before the control with the focus does.
    auto* f2 = new QShortcut(QKeySequence(Qt::Key_F2), this);
    f2->setContext(Qt::WindowShortcut);
    connect(f2, &QShortcut::activated, this, [this] { guarded([this] { FormKeyDown(Qt::Key_F2); }); });

    StringGrid3->setItemDelegate(new viewerui::DetailsGridDelegate(this, StringGrid3));
    readMarks_ = new viewerui::ListMarks(ListBox7, QStringLiteral("Read"));
}

viewer::CatalogPlace TForm1::place() const {
    return {config_.ProgramDir, nav_.CurrentCategory, nav_.CurrentList, nav_.CurrentSubList};
}

void TForm1::ListBox8Click() {
    const QListWidgetItem* picked = ListBox8->currentItem();
    if (!picked) return;
    ListBox2->clear();
    ListBox9->clear();
    ListBox1->clear();
    ListBox7->clear();
    Memo2->clear();
    Image1->hide();
    const std::string category = S(picked->text());
    FillList(ListBox2, viewer::LoadListFile(viewer::CategoryFile(config_.ProgramDir, category)));
    nav_.CurrentCategory = category;
}

void TForm1::ListBox2Click() {
    const QListWidgetItem* picked = ListBox2->currentItem();
    if (!picked) return;
    ListBox9->clear();
    ListBox1->clear();
    ListBox7->clear();
    Memo2->clear();
    Image1->hide();
    const std::string list = S(picked->text());
    if (viewer::IsSpecialItem(list)) return;  // headings among the lists open nothing
    FillList(ListBox9, viewer::LoadListFile(viewer::ListFile(config_.ProgramDir, nav_.CurrentCategory, list)));
    nav_.CurrentList = list;
    ListBox9->show();
    ScrollBox1->show();
    StringGrid1->hide();
    ListBox4->hide();
}

void TForm1::ListBox9Click() {
    const QListWidgetItem* picked = ListBox9->currentItem();
    if (!picked) return;
    ListBox1->clear();
    ListBox7->clear();
    Memo2->clear();
    Image1->hide();
    const std::string subList = S(picked->text());
    if (subList == viewer::kBookPageItem) {
        // The list-of-books page takes the place of the details grid, the description and the
        // story index.
        ShowPanels(viewer::PanelChange::OpenBookPage);
        ListBox4->hide();
        placeBookPage();
        SetCurrentTexxFile(viewer::BookPageFile(config_.ProgramDir, nav_.CurrentCategory, nav_.CurrentList));
        N211Click();
        return;
    }
    if (subList == viewer::kStoryIndexItem) {
        buildStoryIndex();
        return;
    }
    viewer::CatalogPlace at = place();
    at.subList = subList;
    FillList(ListBox1, viewer::LoadListFile(viewer::SubListFile(at)));
    ListBox1->setToolTip(QStringLiteral("Number of books: %1").arg(ListBox1->count()));
    nav_.CurrentSubList = subList;
    ListBox1->show();
    ScrollBox1->show();
    StringGrid3->show();
    StringGrid1->hide();
    ListBox4->hide();
    Panel1->hide();
}

void TForm1::placeBookPage() {
    Panel1->setGeometry(StringGrid3->x(), StringGrid3->y(), StringGrid3->width(),
                        StringGrid3->height() + Memo2->height() + 10);
    StringGrid1->setGeometry(0, 0, Panel1->width(), Panel1->height());
}

void TForm1::buildStoryIndex() {
    ListBox4->clear();
    const viewer::StoryIndex index =
        viewer::BuildStoryIndex(config_.ProgramDir, nav_.CurrentCategory, nav_.CurrentList, Items(ListBox9));
    nav_.CurrentSubList = index.lastSubList;
    FillList(ListBox4, index.titles);
    ListBox4->show();
    ListBox4->raise();  // it takes the place of the book's details
    ListBox1->hide();
    StringGrid3->hide();
    ScrollBox1->hide();
    Panel1->hide();
    ListBox4->setToolTip(QStringLiteral("Number of stories: %1").arg(ListBox4->count()));
    ListBox4->setFocus();
}

void TForm1::FormKeyDown(int key) {
    if (key != Qt::Key_F2) return;
    Edit3->setFocus();
    Edit3->clear();
    QFont font = Edit3->font();
    font.setPointSize(8);
    Edit3->setFont(font);
}

void TForm1::ListBox1KeyDown(int key) {
    if (key == Qt::Key_Escape) close();
}
void TForm1::ListBox2KeyDown(int key) {
    if (key == Qt::Key_Escape) close();
}
void TForm1::ListBox4KeyDown(int key) {
    if (key == Qt::Key_Escape) close();
}
void TForm1::ListBox8KeyDown(int key) {
    if (key == Qt::Key_Escape) close();
}
void TForm1::ListBox9KeyDown(int key) {
    if (key == Qt::Key_Escape) close();
}
void TForm1::Memo2KeyDown(int key) {
    if (key == Qt::Key_Escape) close();
}
void TForm1::StringGrid3KeyDown(int key) {
    if (key == Qt::Key_Escape) close();
}

bool TForm1::catalogKeyFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    struct KeyHandler {
        QObject* control;
        void (TForm1::*keyDown)(int);
        void (TForm1::*click)();  // lists whose keyboard moves pick the new item
    };
    const KeyHandler handlers[] = {
        {ListBox1, &TForm1::ListBox1KeyDown, &TForm1::ListBox1Click},
        {ListBox2, &TForm1::ListBox2KeyDown, &TForm1::ListBox2Click},
        {ListBox4, &TForm1::ListBox4KeyDown, nullptr},
        {ListBox8, &TForm1::ListBox8KeyDown, &TForm1::ListBox8Click},
        {ListBox9, &TForm1::ListBox9KeyDown, &TForm1::ListBox9Click},
        {Memo2, &TForm1::Memo2KeyDown, nullptr},
        {StringGrid3, &TForm1::StringGrid3KeyDown, nullptr},
    };
    for (const KeyHandler& h : handlers) {
        if (watched != h.control) continue;
        guarded([&] { (this->*h.keyDown)(key); });
        if (key == Qt::Key_Escape) return true;
        auto* list = qobject_cast<QListWidget*>(watched);
        if (!h.click || !list) return false;
        // Let the list move first, then pick what it moved to, as a click would.
        const int before = list->currentRow();
        static_cast<QObject*>(list)->event(event);
        if (list->currentRow() != before && list->currentRow() >= 0) guarded([&] { (this->*h.click)(); });
        return true;
    }
    return false;
}
