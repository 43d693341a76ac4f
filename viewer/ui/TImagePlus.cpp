#include "TImagePlus.h"

#include <QEnterEvent>

void TImagePlus::enterEvent(QEnterEvent* event) {
    ChromeImage::enterEvent(event);
    emit OnMouseEnter(this);
}

void TImagePlus::leaveEvent(QEvent* event) {
    ChromeImage::leaveEvent(event);
    emit OnMouseLeave(this);
}
