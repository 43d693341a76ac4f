// The image control with hover events: a picture control that also tells its owner when the
// pointer enters or leaves it. The control's own handling of the crossing (hover state, the
// cursor) always runs first, then the signal.
#pragma once

#include "ChromeImage.h"

class TImagePlus : public ChromeImage {
    Q_OBJECT
public:
    explicit TImagePlus(QWidget* parent = nullptr) : ChromeImage(parent) {}

signals:
    void OnMouseEnter(TImagePlus* sender);
    void OnMouseLeave(TImagePlus* sender);

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
};
