// Stored names use '/' as separator; events and file-system steps see them with '\'.
#pragma once

#include <algorithm>
#include <string>

namespace ziplib {

inline std::u16string Backslashed(std::u16string name) {
    std::replace(name.begin(), name.end(), u'/', u'\\');
    return name;
}

}  // namespace ziplib
