// The one place where the core's UTF-8 strings and colours meet Qt's.
#pragma once

#include <QColor>
#include <QString>

#include <filesystem>
#include <string>

#include "MarkColour.h"

inline QString Q(const std::string& utf8) { return QString::fromStdString(utf8); }
inline QString Q(const char* utf8) { return QString::fromUtf8(utf8); }
inline QString Q(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }
inline std::string S(const QString& text) { return text.toStdString(); }
inline QColor Q(const viewer::Rgb& c) { return QColor(c.red, c.green, c.blue); }
