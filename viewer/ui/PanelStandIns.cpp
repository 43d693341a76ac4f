#include "PanelStandIns.h"

#include <QPainter>

#include <algorithm>

namespace viewerui {
namespace {

QImage Filled(int width, int height, QColor colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

enum class Look { Normal, Hover, Pressed, NotLive };

// A push button of the desktop's colours with its caption centred.
QImage Button(const QPalette& p, const QFont& font, const QString& caption, Look look) {
    QImage image = Filled(88, 24, look == Look::Pressed ? p.color(QPalette::Mid) : p.color(QPalette::Button));
    QPainter painter(&image);
    const QColor border = look == Look::Hover ? p.color(QPalette::Highlight) : p.color(QPalette::Dark);
    painter.setPen(border);
    painter.drawRect(0, 0, image.width() - 1, image.height() - 1);
    if (look == Look::Hover) painter.drawRect(1, 1, image.width() - 3, image.height() - 3);
    painter.setFont(font);
    painter.setPen(look == Look::NotLive ? p.color(QPalette::Disabled, QPalette::ButtonText)
                                         : p.color(QPalette::ButtonText));
    const QRect text = look == Look::Pressed ? image.rect().translated(1, 1) : image.rect();
    painter.drawText(text, Qt::AlignCenter, caption);
    return image;
}

}  // namespace

SkinBitmaps MakePanelStandIns(const QPalette& p, const QFont& font, int titleLineHeight) {
    SkinBitmaps out;
    const int title = std::max(titleLineHeight, 1);
    const QColor strip = p.color(QPalette::Highlight), line = p.color(QPalette::Dark);
    out.Put("w_fon", Filled(8, title, strip));
    out.Put("w_tl", Filled(1, title, strip));
    out.Put("w_tr", Filled(2, title, strip));  // drawn a pixel in from the right edge
    out.Put("w_l", Filled(1, 8, line));
    out.Put("w_r", Filled(1, 8, line));
    out.Put("w_d", Filled(8, 1, line));
    const QString update = QStringLiteral("Update"), cancel = QStringLiteral("Cancel");
    out.Put("b_update", Button(p, font, update, Look::Normal));
    out.Put("b_update_a", Button(p, font, update, Look::Hover));
    out.Put("b_update_p", Button(p, font, update, Look::Pressed));
    out.Put("b_update_f", Button(p, font, update, Look::NotLive));
    out.Put("b_update_f_a", Button(p, font, update, Look::NotLive));
    out.Put("b_cansel", Button(p, font, cancel, Look::Normal));
    out.Put("b_cansel_a", Button(p, font, cancel, Look::Hover));
    out.Put("b_cansel_p", Button(p, font, cancel, Look::Pressed));
    return out;
}

}  // namespace viewerui
