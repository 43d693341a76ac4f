// A short text painted beside items of a list ("Read", "Have"): 10 pixels from the right
// edge of the list's visible area, in the row of its item. The marks are drawn with the items,
// so they stay beside their titles when the list scrolls or repaints. They are not items:
// loading the list again removes them until they are painted anew.
#pragma once

#include <QColor>
#include <QRect>
#include <QString>
#include <QStyledItemDelegate>

#include <unordered_set>
#include <vector>

class QListWidget;

namespace viewerui {

class ListMarks : public QStyledItemDelegate {
    Q_OBJECT
public:
    // Becomes the list's item delegate.
    ListMarks(QListWidget* list, QString text);

    void Paint(std::vector<int> rows, QColor colour);
    void Clear();

    const std::vector<int>& rows() const { return rows_; }
    QColor colour() const { return colour_; }
    // Where the mark of item i is drawn, in the coordinates of the list's visible area; empty
    // for an item the list does not hold.
    QRect MarkRect(int item) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    void Forget();
    QRect MarkRectIn(const QRect& itemRect) const;

    QListWidget* list_;
    QString text_;
    QColor colour_;
    std::vector<int> rows_;
    std::unordered_set<int> marked_;
};

}  // namespace viewerui
