// Draws the cells of the page grid as the page asks: the grid's own drawing (background,
// grid lines, the text at its default place), then the form's cell handler over it.
#pragma once

#include <QStyledItemDelegate>

class TForm1;

namespace viewerui {

class PageGridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    PageGridDelegate(TForm1* form, QObject* parent);
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    static QColor LineColour() { return QColor(192, 192, 192); }

private:
    TForm1* form_;
};

}  // namespace viewerui
