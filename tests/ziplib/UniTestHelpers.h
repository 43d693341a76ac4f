// Small conversions for the tests of the Unicode layer: UTF-8 test text to the library's wide
// strings, and scratch paths to the Windows form the library takes.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>

#include "platform/Unicode.h"

namespace unitest {

inline std::u16string W(const std::string& utf8) { return platform::Utf8ToUtf16(utf8); }
inline std::string U8(const std::u16string& wide) { return platform::Utf16ToUtf8(wide); }

// "/tmp/x/a" -> u"\tmp\x\a"
inline std::u16string WinName(const std::filesystem::path& p) {
    std::u16string w = W(p.string());
    std::replace(w.begin(), w.end(), u'/', u'\\');
    return w;
}

}  // namespace unitest
