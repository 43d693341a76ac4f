// Texts the painted panels write on their pictures: in the picture control's font at a point
// size, on a clear ground, each from its left edge at a top line, or centred on a line.
#pragma once

#include <QColor>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QWidget>

#include <initializer_list>
#include <utility>

namespace viewerui {

enum class TextLine { Top, Centre };

inline void DrawPanelTexts(QImage& canvas, const QWidget* image, int pointSize, QColor colour, TextLine line,
                           std::initializer_list<std::pair<QPoint, QString>> texts) {
    QPainter painter(&canvas);
    QFont font = image->font();
    font.setPointSize(pointSize);
    painter.setFont(font);
    painter.setPen(colour);
    const QFontMetrics fm(font);
    for (const auto& [at, text] : texts) {
        const int top = line == TextLine::Centre ? at.y() - fm.height() / 2 : at.y();
        painter.drawText(QRect(at.x(), top, fm.horizontalAdvance(text) + 1, fm.height()), Qt::AlignLeft | Qt::AlignTop,
                         text);
    }
}

}  // namespace viewerui
