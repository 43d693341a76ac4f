// The items of a list control as the core's strings, both ways.
#pragma once

#include <QListWidget>
#include <QStringList>

#include <string>
#include <vector>

#include "QtBridge.h"

namespace viewerui {

inline void FillList(QListWidget* list, const std::vector<std::string>& items) {
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(items.size()));
    for (const std::string& item : items) texts.append(Q(item));
    list->addItems(texts);
}

inline std::vector<std::string> Items(const QListWidget* list) {
    std::vector<std::string> items;
    items.reserve(static_cast<size_t>(list->count()));
    for (int i = 0; i < list->count(); ++i) items.push_back(S(list->item(i)->text()));
    return items;
}

}  // namespace viewerui
