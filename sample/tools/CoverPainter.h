// Draws the cover of a catalog book: a coloured ground chosen from the title, a frame, the
// series line at the top and the title in the middle. The same title always gives the same
// picture, so generated installations can be made again byte for byte.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

namespace covertool {

QImage PaintCover(const QString& title, const QString& series, QSize size);

}  // namespace covertool
