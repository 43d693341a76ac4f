#include "DetailsGridDelegate.h"

#include <QPainter>

#include "TForm1.h"

namespace viewerui {

DetailsGridDelegate::DetailsGridDelegate(TForm1* form, QObject* parent) : QStyledItemDelegate(parent), form_(form) {}

void DetailsGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    QStyledItemDelegate::paint(painter, option, index);
    painter->save();
    form_->StringGrid3DrawCell(*painter, index.column(), index.row(), option.rect);
    painter->restore();
}

}  // namespace viewerui
