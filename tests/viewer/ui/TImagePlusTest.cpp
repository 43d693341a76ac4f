// Guards the image control with hover events: entering and leaving reach the owner with the
// control as sender, after the control's own handling; without bound events it is a plain
// picture control.
#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QPainter>

#include "TImagePlus.h"

TEST(TImagePlus, EnterAndLeaveReachTheOwnerWithTheControlAsSender) {
    TImagePlus image;
    image.resize(40, 30);
    std::vector<std::pair<std::string, TImagePlus*>> seen;
    QObject::connect(&image, &TImagePlus::OnMouseEnter, [&](TImagePlus* s) { seen.emplace_back("enter", s); });
    QObject::connect(&image, &TImagePlus::OnMouseLeave, [&](TImagePlus* s) { seen.emplace_back("leave", s); });

    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&image, &enter);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&image, &leave);

    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], std::make_pair(std::string("enter"), &image));
    EXPECT_EQ(seen[1], std::make_pair(std::string("leave"), &image));
}

TEST(TImagePlus, WithoutBoundEventsItIsAPlainPictureControl) {
    TImagePlus image;
    image.resize(20, 10);
    image.Canvas().fill(Qt::red);
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(&image, &enter);
    EXPECT_EQ(image.Picture().size(), QSize(20, 10));
    EXPECT_EQ(image.Picture().pixelColor(3, 3), QColor(Qt::red));
}
