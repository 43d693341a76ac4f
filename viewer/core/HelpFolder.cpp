#include "HelpFolder.h"

#include <algorithm>

namespace viewer {

std::optional<std::string> HelpFile(const std::string& programDir, std::string_view argument) {
    if (argument.empty()) return std::nullopt;
    if (argument.front() == '\\' || argument.front() == '/') return std::nullopt;
    if (argument.find(':') != std::string_view::npos || argument.find('\0') != std::string_view::npos)
        return std::nullopt;
    size_t start = 0;
    while (start <= argument.size()) {
        const size_t end = std::min(argument.find_first_of("\\/", start), argument.size());
        if (argument.substr(start, end - start) == "..") return std::nullopt;
        start = end + 1;
    }
    return programDir + "\\help\\" + std::string(argument);
}

std::string HelpIndexPage(const std::string& programDir) { return programDir + "\\help\\" + "index.texx"; }

}  // namespace viewer
