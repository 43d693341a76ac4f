#include "PageCellPainter.h"

#include <QPainter>

#include <type_traits>

namespace viewerui {
namespace {

QColor Colour(viewer::Rgb c) { return QColor(c.red, c.green, c.blue); }

Qt::Alignment Horizontal(viewer::TextAlign align) {
    switch (align) {
    case viewer::TextAlign::Centre: return Qt::AlignHCenter;
    case viewer::TextAlign::Right: return Qt::AlignRight;
    case viewer::TextAlign::Left: break;
    }
    return Qt::AlignLeft;
}

void DrawText(QPainter& painter, const PageCanvas& canvas, const QRect& cell, const QRect& place, int flags,
              const QString& text) {
    painter.save();
    painter.setClipRect(cell);
    painter.fillRect(cell, canvas.brush);
    painter.setFont(canvas.font);
    painter.setPen(canvas.fontColour);
    painter.drawText(place, flags | Qt::TextSingleLine | Qt::TextDontClip, text);
    painter.restore();
}

}  // namespace

void PaintPageCell(QPainter& painter, const viewer::CellDrawing& plan, const QImage& picture, const QString& text,
                   const QRect& cell, PageCanvas canvas) {
    if (!picture.isNull()) {
        painter.save();
        painter.setClipRect(cell);
        painter.drawImage(cell.topLeft(), picture);
        painter.restore();
    }
    for (const viewer::CellDrawOp& op : plan.ops) {
        std::visit(
            [&](const auto& step) {
                using T = std::decay_t<decltype(step)>;
                if constexpr (std::is_same_v<T, viewer::SetFontColour>) {
                    canvas.fontColour = Colour(step.colour);
                } else if constexpr (std::is_same_v<T, viewer::SetBrushColour>) {
                    canvas.brush = Colour(step.colour);
                } else if constexpr (std::is_same_v<T, viewer::AddFontStyles>) {
                    if (step.styles & viewer::kBold) canvas.font.setBold(true);
                    if (step.styles & viewer::kItalic) canvas.font.setItalic(true);
                    if (step.styles & viewer::kUnderline) canvas.font.setUnderline(true);
                    if (step.styles & viewer::kStrikeOut) canvas.font.setStrikeOut(true);
                } else if constexpr (std::is_same_v<T, viewer::ClearFontStyles>) {
                    canvas.font.setBold(false);
                    canvas.font.setItalic(false);
                    canvas.font.setUnderline(false);
                    canvas.font.setStrikeOut(false);
                } else if constexpr (std::is_same_v<T, viewer::SetFontName>) {
                    canvas.font.setFamilies({QString::fromStdString(step.name)});
                } else if constexpr (std::is_same_v<T, viewer::SetFontPoints>) {
                    canvas.font.setPointSize(step.points);
                } else if constexpr (std::is_same_v<T, viewer::DrawCellText>) {
                    const QRect place(cell.left() + 2, cell.top() + 2, cell.width(), cell.height());
                    DrawText(painter, canvas, cell, place, Qt::AlignLeft | Qt::AlignTop, text);
                } else if constexpr (std::is_same_v<T, viewer::DrawAlignedText>) {
                    DrawText(painter, canvas, cell, cell, Horizontal(step.align) | Qt::AlignTop, text);
                } else if constexpr (std::is_same_v<T, viewer::DrawBorder>) {
                    // Borders may lie on the grid line just past the cell, so they are not clipped to it.
                    for (const viewer::PixelRect& r : step.pixels)
                        painter.fillRect(QRect(r.x, r.y, r.width, r.height), Qt::black);
                }
            },
            op);
    }
}

}  // namespace viewerui
