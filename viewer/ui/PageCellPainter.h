// Carries out the drawing plan of one page cell on a Qt painter: the canvas starts in the
// grid's own font and colours, and each step changes or draws with it in the plan's order.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>

#include "PageCellDrawing.h"

class QPainter;

namespace viewerui {

struct PageCanvas {
    QFont font;        // the grid's font
    QColor fontColour; // the grid's text colour
    QColor brush;      // the grid's background
};

// `picture` is the decoded picture of plan.picture (null when there is none to draw).
void PaintPageCell(QPainter& painter, const viewer::CellDrawing& plan, const QImage& picture, const QString& text,
                   const QRect& cell, PageCanvas canvas);

}  // namespace viewerui
