// The one place where the core's UTF-8 strings meet Qt's strings.
#pragma once

#include <QString>

#include <filesystem>
#include <string>

inline QString Q(const std::string& utf8) { return QString::fromStdString(utf8); }
inline QString Q(const char* utf8) { return QString::fromUtf8(utf8); }
inline QString Q(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }
inline std::string S(const QString& text) { return text.toStdString(); }
