// Making the window's controls: a control with its design name and place.
#pragma once

#include <QListWidget>
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

}  // namespace viewerui
