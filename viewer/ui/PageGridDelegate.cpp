#include "PageGridDelegate.h"

#include <QPainter>
#include <QTableWidget>

#include "TForm1.h"

namespace viewerui {

PageGridDelegate::PageGridDelegate(TForm1* form, QObject* parent) : QStyledItemDelegate(parent), form_(form) {}

void PageGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    // A column's section holds the cell and, when vertical lines are on, the one-pixel line
    // after it; the same for rows. The cell itself is the column's width by the row's height.
    const viewer::GridLines lines = form_->PageGridLines();
    const QRect section = option.rect;
    const QRect cell(section.x(), section.y(), section.width() - (lines.vertical ? 1 : 0),
                     section.height() - (lines.horizontal ? 1 : 0));
    const QWidget* grid = option.widget;
    const QPalette palette = grid ? grid->palette() : option.palette;
    painter->save();
    if (lines.vertical || lines.horizontal) painter->fillRect(section, LineColour());
    painter->fillRect(cell, palette.color(QPalette::Base));
    painter->setClipRect(cell);
    painter->setFont(grid ? grid->font() : option.font);
    painter->setPen(palette.color(QPalette::Text));
    painter->drawText(cell.adjusted(2, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                      index.data(Qt::DisplayRole).toString());
    painter->restore();

    painter->save();
    form_->StringGrid1DrawCell(*painter, index.column(), index.row(), cell);
    painter->restore();
}

}  // namespace viewerui
