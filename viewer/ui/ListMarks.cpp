#include "ListMarks.h"

#include <QEvent>
#include <QFontMetrics>
#include <QListWidget>
#include <QPainter>

namespace viewerui {

ListMarks::ListMarks(QListWidget* list, QString text)
    : QWidget(list->viewport()), list_(list), text_(std::move(text)) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setGeometry(list->viewport()->rect());
    list->viewport()->installEventFilter(this);
    QAbstractItemModel* model = list->model();
    connect(model, &QAbstractItemModel::modelReset, this, &ListMarks::Clear);
    connect(model, &QAbstractItemModel::rowsInserted, this, &ListMarks::Clear);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &ListMarks::Clear);
    hide();
}

void ListMarks::Paint(std::vector<int> rows, QColor colour) {
    rows_ = std::move(rows);
    colour_ = colour;
    setVisible(!rows_.empty());
    raise();
    update();
}

void ListMarks::Clear() {
    rows_.clear();
    hide();
}

QRect ListMarks::MarkRect(int item) const {
    const QFontMetrics metrics(list_->font());
    const int width = metrics.horizontalAdvance(text_);
    const int itemHeight = list_->count() > 0 ? list_->sizeHintForRow(0) : metrics.height();
    return QRect(list_->viewport()->width() - width - 10, itemHeight * item, width, itemHeight);
}

void ListMarks::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(list_->font());
    painter.setPen(colour_);
    painter.setBrush(Qt::NoBrush);
    for (int row : rows_) painter.drawText(MarkRect(row), Qt::AlignLeft | Qt::AlignVCenter, text_);
}

bool ListMarks::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_->viewport() && event->type() == QEvent::Resize) setGeometry(list_->viewport()->rect());
    return QWidget::eventFilter(watched, event);
}

}  // namespace viewerui
