// Owned-book marks: the book list's context menu, the sub-list's file of owned titles and
// the "Have" marks beside the owned books.
#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>

#include "ListItems.h"
#include "ListMarks.h"
#include "MarkColour.h"
#include "OwnedTitles.h"
#include "QtBridge.h"
#include "TForm1.h"

void TForm1::connectMarkHandlers() {
    PopupMenu2 = new QMenu(this);
    PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    N2011 = PopupMenu2->addAction(QStringLiteral("I have it"));
    N2011->setObjectName(QStringLiteral("N2011"));
    N2021 = PopupMenu2->addAction(QStringLiteral("I don't have it"));
    N2021->setObjectName(QStringLiteral("N2021"));
    bind(N2011, &QAction::triggered, &TForm1::N2011Click);
    bind(N2021, &QAction::triggered, &TForm1::N2021Click);
    ListBox1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ListBox1, &QWidget::customContextMenuRequested, this, &TForm1::ListBox1ContextMenu);
    haveMarks_ = new viewerui::ListMarks(ListBox1, QStringLiteral("Have"));
}

namespace {

// The book the menu acts on: the one picked in the list, if any.
const QListWidgetItem* PickedBook(const QListWidget* list) {
    const QListWidgetItem* picked = list->currentItem();
    return picked && picked->isSelected() ? picked : nullptr;
}

}  // namespace

// The menu acts on the book under the pointer, which the right press picked: it is shown as a
// click shows it, so the details and the cover are of the book the menu names.
// A book that cannot be shown is told as a click tells it; the menu opens all the same.
void TForm1::ListBox1ContextMenu(const QPoint& at) {
    if (QListWidgetItem* book = ListBox1->itemAt(at)) {
        ListBox1->setCurrentItem(book);
        if (book->text() != Edit1->text()) guarded([this] { ListBox1Click(); });
    }
    PopupMenu2->popup(ListBox1->viewport()->mapToGlobal(at));
}

void TForm1::N2011Click() {
    const QListWidgetItem* picked = PickedBook(ListBox1);
    if (!picked) return;
    viewer::AddOwnedTitle(viewer::OwnedTitlesFile(place()), S(picked->text()));
    paintHaveMarks();
}

void TForm1::N2021Click() {
    const QListWidgetItem* picked = PickedBook(ListBox1);
    if (!picked) return;
    viewer::RemoveOwnedTitle(viewer::OwnedTitlesFile(place()), S(picked->text()));
    paintHaveMarks();
}

void TForm1::paintHaveMarks() {
    const std::vector<std::string> owned = viewer::ReadOwnedTitles(viewer::OwnedTitlesFile(place()));
    std::vector<int> rows = viewer::OwnedRows(viewerui::Items(ListBox1), owned);
    if (rows.empty()) {
        haveMarks_->Clear();
        return;
    }
    const viewer::Rgb colour = viewer::ReadMarkColour(config_.ColorIni.get());
    haveMarks_->Paint(std::move(rows), QColor(colour.red, colour.green, colour.blue));
}
