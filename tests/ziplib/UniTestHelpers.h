// Small conversions for the tests of the Unicode layer: UTF-8 test text to the library's wide
// strings, and scratch paths to the Windows form the library takes.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Unicode.h"
#include "ziplib/TWideStrings.h"

namespace unitest {

inline std::u16string W(const std::string& utf8) { return platform::Utf8ToUtf16(utf8); }
inline std::string U8(const std::u16string& wide) { return platform::Utf16ToUtf8(wide); }

// The strings of a list, in order.
inline std::vector<std::u16string> Lines(const ziplib::TWideStrings& list) {
    std::vector<std::u16string> out;
    for (int i = 0; i < list.Count(); ++i) out.push_back(list[i]);
    return out;
}

// "/tmp/x/a" -> u"\tmp\x\a"
inline std::u16string WinName(const std::filesystem::path& p) {
    std::u16string w = W(p.string());
    std::replace(w.begin(), w.end(), u'/', u'\\');
    return w;
}

}  // namespace unitest
