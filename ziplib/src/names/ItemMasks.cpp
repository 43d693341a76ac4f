#include "names/ItemMasks.h"

#include <string>

#include "ziplib/WidePaths.h"

namespace ziplib {

bool ItemMatchesMask(std::u16string_view name, std::u16string_view mask) {
    if (mask.empty()) return false;
    std::u16string m;
    if (const size_t at = mask.find(u"*.*"); at != std::u16string_view::npos) {
        m.append(mask.substr(0, at + 1));
        m.append(mask.substr(at + 3));
    } else {
        m.assign(mask);
    }
    const bool noExtension = m.back() == u'.';
    if (noExtension) m.pop_back();
    if (!name.empty() && name.back() == u'.') name.remove_suffix(1);
    if (!WideMatchesMask(name, m, true)) return false;
    if (!noExtension) return true;
    // The extension of the name part only: a dot in a folder name is no extension.
    const size_t slash = name.find_last_of(u"/\\");
    const std::u16string_view part = slash == std::u16string_view::npos ? name : name.substr(slash + 1);
    const size_t dot = part.rfind(u'.');
    return dot == std::u16string_view::npos || dot + 1 == part.size();
}

}  // namespace ziplib
