// Quick search: the search box with its placeholder, its keys and the walk over the whole
// catalog on every change of its text.
#include <QEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QScrollArea>
#include <QTableWidget>

#include "CatalogSearch.h"
#include "ListItems.h"
#include "Options.h"
#include "QtBridge.h"
#include "TForm1.h"

void TForm1::connectSearchHandlers() {
    connectMarkHandlers();
    // Text written by the program runs the search too; the handler ignores the placeholder.
    bind(Edit3, &QLineEdit::textChanged, &TForm1::Edit3Change);
}

bool TForm1::searchEventFilter(QObject* watched, QEvent* event) {
    if (watched != Edit3 || event->type() != QEvent::MouseButtonRelease) return false;
    if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) guarded([this] { Edit3Click(); });
    return false;
}

void TForm1::Edit3Change() {
    const std::string text = S(Edit3->text());
    if (!viewer::IsSearchText(text)) return;
    const viewer::QuickSearchResult found = catalogSearch_.Search(config_.ProgramDir, viewerui::Items(ListBox8), text);

    // The lists show what the walk loaded last at each level, also when it failed.
    if (found.category) {
        ListBox2->clear();
        viewerui::FillList(ListBox2, found.category->lists->items);
        nav_.CurrentCategory = found.category->name;
    }
    if (found.list) {
        ListBox9->clear();
        viewerui::FillList(ListBox9, found.list->lists->items);
        nav_.CurrentList = found.list->name;
        ListBox9->show();
        ScrollBox1->show();
        StringGrid1->hide();
        ListBox4->hide();
    }
    if (found.subList) {
        ListBox1->clear();
        viewerui::FillList(ListBox1, found.subList->lists->items);
        ListBox1->setToolTip(QStringLiteral("Number of books: %1").arg(ListBox1->count()));
        nav_.CurrentSubList = found.subList->name;
        ListBox1->show();
        ScrollBox1->show();
        StringGrid1->hide();
        ListBox4->hide();
    }
    // Each list shows picked the item whose list the level below shows; the book list, the
    // hit. A miss leaves the book shown before in the details, so no book is picked.
    pickSearchLevels(found);
    if (found.error) throw *found.error;
    if (!found.hit) return;

    SetSearchHitIndex(*found.hit);
    // The hit is shown in the details grid, which the story index or the list-of-books page
    // may have covered.
    StringGrid3->show();
    if (nav_.PanelPage == viewer::kPanelBookPage) Panel1->hide();
    ListBox1->setCurrentRow(nav_.SearchHitIndex);
    ListBox1->scrollToItem(ListBox1->currentItem());
    N5011Click();
}

void TForm1::pickSearchLevels(const viewer::QuickSearchResult& found) {
    const auto pick = [](QListWidget* list, const std::optional<viewer::QuickSearchResult::Level>& below) {
        if (!below) return;
        list->setCurrentRow(below->row);
        if (list->currentItem()) list->scrollToItem(list->currentItem());
    };
    pick(ListBox8, found.category);
    pick(ListBox2, found.list);
    pick(ListBox9, found.subList);
}

void TForm1::Edit3Click() {
    Edit3->clear();
    QFont font = Edit3->font();
    font.setPointSize(8);
    Edit3->setFont(font);
}

void TForm1::Edit3KeyDown(int key) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (Edit3->text() == QStringLiteral("kqm:purge")) N08011Click();
        return;
    }
    if (key != Qt::Key_Escape) return;
    // Esc on the idle box ends the program; on a typed text it makes the box idle again.
    const std::string text = S(Edit3->text());
    if (text == viewer::kQuickSearchPlaceholder || text == viewer::kQuickSearchPlaceholderRu) close();
    Edit3->setText(Q(std::string(viewer::kQuickSearchPlaceholder)));
    const int32_t textSize =
        config_.OptionsIni ? config_.OptionsIni->ReadInteger(viewer::kSectionInterface, viewer::kKeyTextSize, 8) : 8;
    QFont font = Edit3->font();
    font.setPointSize(std::max(1, textSize - 2));
    Edit3->setFont(font);
}
