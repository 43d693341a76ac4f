#include "ListMarks.h"

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
    QStyledItemDelegate::paint(painter, option, index);
    if (!marked_.count(index.row())) return;
    painter->save();
    painter->setFont(list_->font());
    painter->setPen(colour_);
    painter->setBrush(Qt::NoBrush);
    painter->drawText(MarkRectIn(option.rect), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip, text_);
    painter->restore();
}

}  // namespace viewerui
