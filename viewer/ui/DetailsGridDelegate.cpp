#include "DetailsGridDelegate.h"

#include <QApplication>
#include <QPainter>

#include "TForm1.h"

namespace viewerui {

namespace {
constexpr int kMarkColumn = 3;
}

DetailsGridDelegate::DetailsGridDelegate(TForm1* form, QObject* parent) : QStyledItemDelegate(parent), form_(form) {}

void DetailsGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    QStyleOptionViewItem cell(option);
    initStyleOption(&cell, index);
    cell.textElideMode = Qt::ElideNone;  // grid cells are cut at their edge, never shortened
    if (index.column() == kMarkColumn && !cell.text.isEmpty()) {
        // "DOC", "RTF" and "FB2" are a little wider than their column in most fonts; they run
        // on into the empty spacer column beside them rather than lose a letter.
        const QString mark = cell.text;
        cell.text.clear();
        QStyle* style = cell.widget ? cell.widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, cell.widget);
        painter->save();
        painter->setFont(cell.font);
        painter->setPen(cell.palette.color(cell.state & QStyle::State_Selected ? QPalette::HighlightedText
                                                                              : QPalette::Text));
        painter->drawText(cell.rect.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip, mark);
        painter->restore();
    } else {
        QStyle* style = cell.widget ? cell.widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, cell.widget);
    }
    painter->save();
    form_->StringGrid3DrawCell(*painter, index.column(), index.row(), option.rect);
    painter->restore();
}

}  // namespace viewerui
