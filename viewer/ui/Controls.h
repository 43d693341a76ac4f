// Making the window's controls: a control with its design name and place, and its colours.
#pragma once

#include <QColor>
#include <QListWidget>
#include <QPalette>
#include <QString>
#include <QWidget>

namespace viewerui {

template <typename W>
W* Make(QWidget* parent, const char* name, int left, int top, int width, int height) {
    auto* w = new W(parent);
    w->setObjectName(QString::fromLatin1(name));
    w->setGeometry(left, top, width, height);
    return w;
}

inline QListWidget* MakeList(QWidget* parent, const char* name, int left, int top, int width, int height) {
    auto* list = Make<QListWidget>(parent, name, left, top, width, height);
    list->setUniformItemSizes(true);
    return list;
}

inline void SetRole(QWidget* w, QPalette::ColorRole role, QColor colour) {
    QPalette p = w->palette();
    p.setColor(role, colour);
    w->setPalette(p);
}

// A control that paints its own ground in the colour.
inline void SetBackground(QWidget* w, QColor colour) {
    SetRole(w, QPalette::Window, colour);
    w->setAutoFillBackground(true);
}

}  // namespace viewerui
