// The window's picture control: a canvas the chrome is painted into, shown unscaled from its
// top-left corner. The picture takes its pixel size when it is first drawn on after a clear
// and keeps it when the control is resized. Mouse presses, moves (also without a button) and
// releases are reported in the control's coordinates.
#pragma once

#include <QImage>
#include <QWidget>

class ChromeImage : public QWidget {
    Q_OBJECT
public:
    explicit ChromeImage(QWidget* parent = nullptr);

    // The canvas to draw on; made at the control's size, filled black, when there is none.
    QImage& Canvas();
    const QImage& Picture() const { return picture_; }
    void Clear();
    // Shows what was drawn on the canvas since the last call.
    void Changed() { update(); }

signals:
    void mousePressed(Qt::MouseButton button, int x, int y);
    void mouseMoved(int x, int y);
    void mouseReleased(Qt::MouseButton button, int x, int y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QImage picture_;
};
