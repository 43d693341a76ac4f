// Making the window's controls: a control with its design name and place, and its colours.
#pragma once

#include <QColor>
#include <QGuiApplication>
#include <QListWidget>
#include <QPalette>
#include <QScreen>
#include <QString>
#include <QWidget>

#include "WindowLayout.h"

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

// The free area (screen coordinates) of the screen the window is on, where the platform knows
// one: the screen less the desktop's panels.
inline viewer::Box FreeArea(const QWidget* window) {
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen) return {};
    const QRect free = screen->availableGeometry();
    return {free.x(), free.y(), free.width(), free.height()};
}

inline viewer::Size FreeScreen(const QWidget* window) {
    const viewer::Box free = FreeArea(window);
    return {free.width, free.height};
}

// The window never gets smaller than the layout can lay out, whoever resizes it (the window
// system's own resize included), nor larger than the screen's free area.
inline void SetLeastWindowSize(QWidget* window) {
    const viewer::Size least = viewer::BoundWindowSize({0, 0}, FreeScreen(window));
    window->setMinimumSize(least.width, least.height);
}

}  // namespace viewerui
