#include "ChromeImage.h"

#include <QMouseEvent>
#include <QPainter>

ChromeImage::ChromeImage(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QImage& ChromeImage::Canvas() {
    if (picture_.isNull()) {
        picture_ = QImage(std::max(width(), 1), std::max(height(), 1), QImage::Format_RGB32);
        picture_.fill(Qt::black);
    }
    return picture_;
}

void ChromeImage::Clear() {
    picture_ = QImage();
    update();
}

void ChromeImage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // Where the picture does not reach, the window's own colour shows.
    painter.fillRect(rect(), palette().window());
    if (!picture_.isNull()) painter.drawImage(0, 0, picture_);
}

void ChromeImage::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    emit mousePressed(event->button(), at.x(), at.y());
}

void ChromeImage::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    emit mouseMoved(at.x(), at.y());
}

void ChromeImage::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    emit mouseReleased(event->button(), at.x(), at.y());
}
