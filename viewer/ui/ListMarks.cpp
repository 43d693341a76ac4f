#include "ListMarks.h"

#include <QApplication>
#include <QFontMetrics>
#include <QListWidget>
#include <QPainter>

namespace viewerui {

ListMarks::ListMarks(QListWidget* list, QString text) : QStyledItemDelegate(list), list_(list), text_(std::move(text)) {
    setObjectName(QStringLiteral("ListMarks"));
    list->setItemDelegate(this);
    QAbstractItemModel* model = list->model();
    // The list repaints itself after these, and its model resets while the list is destroyed:
    // forgetting the rows is all that is needed then.
    connect(model, &QAbstractItemModel::modelReset, this, &ListMarks::Forget);
    connect(model, &QAbstractItemModel::rowsInserted, this, &ListMarks::Forget);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &ListMarks::Forget);
}

void ListMarks::Paint(std::vector<int> rows, QColor colour) {
    rows_ = std::move(rows);
    marked_ = std::unordered_set<int>(rows_.begin(), rows_.end());
    colour_ = colour;
    list_->viewport()->update();
}

void ListMarks::Clear() {
    if (rows_.empty()) return;
    Forget();
    list_->viewport()->update();
}

void ListMarks::Forget() {
    rows_.clear();
    marked_.clear();
}

QRect ListMarks::MarkRectIn(const QRect& itemRect) const {
    const int width = QFontMetrics(list_->font()).horizontalAdvance(text_);
    return QRect(list_->viewport()->width() - width - 10, itemRect.top(), width, itemRect.height());
}

QRect ListMarks::MarkRect(int item) const {
    const QListWidgetItem* it = list_->item(item);
    if (!it) return {};
    return MarkRectIn(list_->visualItemRect(it));
}

void ListMarks::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    if (!marked_.count(index.row())) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    // The row's ground as usual, its text only up to the mark, so a long title never runs
    // under it: what does not fit ends in "...".
    QStyleOptionViewItem item(option);
    initStyleOption(&item, index);
    const QString title = item.text;
    item.text.clear();
    QStyle* style = item.widget ? item.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, item.widget);
    const QRect mark = MarkRectIn(option.rect);
    // The style's own text margin, so marked and unmarked titles line up.
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, item.widget) + 1;
    QRect text = style->subElementRect(QStyle::SE_ItemViewItemText, &item, item.widget).adjusted(margin, 0, 0, 0);
    text.setRight(std::min(text.right() - margin, mark.left() - 6));
    painter->save();
    painter->setFont(item.font);
    const bool selected = item.state & QStyle::State_Selected;
    painter->setPen(item.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                      QFontMetrics(item.font).elidedText(title, Qt::ElideRight, std::max(text.width(), 0)));
    painter->setPen(colour_);
    painter->setBrush(Qt::NoBrush);
    painter->drawText(mark, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip, text_);
    painter->restore();
}

}  // namespace viewerui
