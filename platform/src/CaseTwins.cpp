#include "platform/CaseTwins.h"

#include "platform/Unicode.h"

namespace platform {

void CaseTwins::Add(const std::string& name, bool findable) {
    names_.insert(name);
    if (!findable) return;
    // The smallest spelling wins, so the same folder is found whatever order it was read in.
    auto [it, fresh] = smallestByFolded_.try_emplace(FoldCaseUtf8(name), name);
    if (!fresh && name < it->second) it->second = name;
}

std::string CaseTwins::Spelling(const std::string& name, const std::function<bool(const std::string&)>& refused) const {
    if (names_.count(name)) return name;
    const auto it = smallestByFolded_.find(FoldCaseUtf8(name));
    if (it == smallestByFolded_.end() || !names_.count(it->second)) return name;
    if (refused && refused(it->second)) return name;
    return it->second;
}

}  // namespace platform
