// A short text painted beside items of a list ("Read", "Have"): 10 pixels from the list's
// right edge, at the height of item i counted from the top of the list's surface, so the
// marks do not follow the scroll position. They are not items: loading the list again
// removes them until they are painted anew.
#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

#include <vector>

class QListWidget;

namespace viewerui {

class ListMarks : public QWidget {
    Q_OBJECT
public:
    ListMarks(QListWidget* list, QString text);

    void Paint(std::vector<int> rows, QColor colour);
    void Clear();

    const std::vector<int>& rows() const { return rows_; }
    QColor colour() const { return colour_; }
    // Where the mark of item i is painted, in the list's surface coordinates.
    QRect MarkRect(int item) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QListWidget* list_;
    QString text_;
    QColor colour_;
    std::vector<int> rows_;
};

}  // namespace viewerui
