#include "CoverPainter.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>

#include <cstdint>

namespace covertool {
namespace {

// FNV-1a over the UTF-8 text: stable across runs, unlike Qt's seeded hashes.
uint32_t StableHash(const QString& text) {
    uint32_t h = 2166136261u;
    for (const char c : text.toUtf8()) {
        h ^= static_cast<uint8_t>(c);
        h *= 16777619u;
    }
    return h;
}

}  // namespace

QImage PaintCover(const QString& title, const QString& series, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    const uint32_t h = StableHash(title);
    const QColor top = QColor::fromHsv(static_cast<int>(h % 360), 150 + static_cast<int>((h >> 9) % 80), 170);
    const QColor bottom = top.darker(260);

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QLinearGradient ground(0, 0, 0, size.height());
    ground.setColorAt(0, top);
    ground.setColorAt(1, bottom);
    painter.fillRect(image.rect(), ground);

    const int margin = size.width() / 16;
    painter.setPen(QPen(QColor(255, 255, 255, 180), 2));
    painter.drawRect(image.rect().adjusted(margin, margin, -margin, -margin));
    // A band of circles whose places follow the title too.
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < 5; ++i) {
        const uint32_t k = (h >> (i * 5)) & 0x1F;
        painter.setBrush(QColor(255, 255, 255, 30 + static_cast<int>(k) * 2));
        const int r = size.width() / 10 + static_cast<int>(k);
        painter.drawEllipse(QPoint(margin * 2 + i * size.width() / 5, size.height() * 3 / 4), r, r);
    }

    QFont seriesFont(QStringLiteral("DejaVu Sans"));
    seriesFont.setPixelSize(qMax(8, size.height() / 22));
    painter.setFont(seriesFont);
    painter.setPen(QColor(255, 255, 255, 220));
    const QRect inner = image.rect().adjusted(margin + 4, margin * 2, -margin - 4, -margin * 2);
    painter.drawText(inner, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, series);

    QFont titleFont(QStringLiteral("DejaVu Sans"));
    titleFont.setBold(true);
    titleFont.setPixelSize(qMax(10, size.height() / 17));
    painter.setFont(titleFont);
    painter.setPen(Qt::white);
    painter.drawText(inner.adjusted(0, size.height() / 6, 0, -size.height() / 3), Qt::AlignCenter | Qt::TextWordWrap,
                     title);
    painter.end();
    return image;
}

}  // namespace covertool
