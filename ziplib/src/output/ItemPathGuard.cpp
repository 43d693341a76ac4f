#include "output/ItemPathGuard.h"

#include "platform/Unicode.h"

namespace ziplib {
namespace {

bool IsSeparator(char16_t c) { return c == u'/' || c == u'\\'; }

bool IsAsciiLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

ItemPathProblem PrefixProblem(std::u16string_view name) {
    if (name.size() >= 2 && IsSeparator(name[0]) && IsSeparator(name[1])) return ItemPathProblem::Network;
    if (!name.empty() && IsSeparator(name[0])) return ItemPathProblem::Absolute;
    if (name.size() >= 2 && IsAsciiLetter(name[0]) && name[1] == u':') return ItemPathProblem::Drive;
    return ItemPathProblem::None;
}

}  // namespace

std::string ItemPath::Message() const {
    const char* why = nullptr;
    switch (problem) {
        case ItemPathProblem::None: return {};
        case ItemPathProblem::Absolute: why = "is an absolute path"; break;
        case ItemPathProblem::Drive: why = "names a drive"; break;
        case ItemPathProblem::Network: why = "names a network path"; break;
        case ItemPathProblem::LeavesBase: why = "leads out of the extraction folder"; break;
        case ItemPathProblem::BadCharacter: why = "holds a character no file name can hold"; break;
    }
    return "Item name \"" + platform::Utf16ToUtf8(name) + "\" " + why + "; it is not extracted";
}

ItemPath GuardItemPath(std::u16string_view baseDir, std::u16string_view storedName) {
    ItemPath p;
    p.name = storedName;
    p.problem = PrefixProblem(storedName);
    if (!p.ok()) return p;
    if (storedName.find(u'\0') != std::u16string_view::npos) {
        p.problem = ItemPathProblem::BadCharacter;
        return p;
    }
    std::size_t at = 0;
    while (at <= storedName.size()) {
        std::size_t end = at;
        while (end < storedName.size() && !IsSeparator(storedName[end])) ++end;
        const std::u16string_view part = storedName.substr(at, end - at);
        at = end + 1;
        if (part.empty() || part == u".") continue;
        if (part == u"..") {
            if (p.parts.empty()) {
                p.problem = ItemPathProblem::LeavesBase;
                p.parts.clear();
                return p;
            }
            p.parts.pop_back();
            continue;
        }
        p.parts.emplace_back(part);
    }
    p.target = baseDir;
    for (char16_t& c : p.target)
        if (c == u'/') c = u'\\';
    if (!p.target.empty() && p.target.back() != u'\\') p.target += u'\\';
    for (std::size_t i = 0; i < p.parts.size(); ++i) {
        if (i > 0) p.target += u'\\';
        p.target += p.parts[i];
    }
    return p;
}

}  // namespace ziplib
