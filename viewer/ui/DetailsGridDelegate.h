// Draws the cells of the details grid: the grid's own drawing, then the form's cell handler
// over it (the headings).
#pragma once

#include <QStyledItemDelegate>

class TForm1;

namespace viewerui {

class DetailsGridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    DetailsGridDelegate(TForm1* form, QObject* parent);
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    TForm1* form_;
};

}  // namespace viewerui
