// A label that reports clicks and the pointer entering and leaving it, as the window's
// clickable captions need.
#pragma once

#include <QLabel>

class ClickLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

    // Links underline their text under the pointer.
    void Underline(bool on);

signals:
    void clicked();
    void mouseEntered();
    void mouseLeft();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
};
