#include "OwnedTitles.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <unordered_set>

#include "Startup.h"
#include "platform/FileError.h"
#include "platform/TextFile.h"

namespace fs = std::filesystem;

namespace viewer {

fs::path OwnedTitlesFile(const CatalogPlace& place) {
    return DataPath(place.programDir,
                    place.category + "\\" + place.list + "\\" + place.subList + "\\Books\\_have.txt");
}

std::vector<std::string> ReadOwnedTitles(const fs::path& file) {
    struct stat st;
    if (::stat(file.c_str(), &st) != 0 && errno == ENOENT) return {};
    return platform::LoadLines(file);
}

bool AddOwnedTitle(const fs::path& file, const std::string& title) {
    std::vector<std::string> titles = ReadOwnedTitles(file);
    if (std::find(titles.begin(), titles.end(), title) != titles.end()) return false;
    titles.push_back(title);
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    if (ec) throw platform::FileError::Create(file, ec.value());
    platform::SaveLines(file, titles);
    return true;
}

bool RemoveOwnedTitle(const fs::path& file, const std::string& title) {
    std::vector<std::string> titles = ReadOwnedTitles(file);
    const auto last = std::find(titles.rbegin(), titles.rend(), title);
    if (last == titles.rend()) return false;
    titles.erase(std::next(last).base());
    platform::SaveLines(file, titles);
    return true;
}

std::vector<int> OwnedRows(const std::vector<std::string>& items, const std::vector<std::string>& owned) {
    std::vector<int> rows;
    if (owned.empty()) return rows;
    const std::unordered_set<std::string> set(owned.begin(), owned.end());
    for (size_t i = 0; i < items.size(); ++i)
        if (set.count(items[i])) rows.push_back(static_cast<int>(i));
    return rows;
}

}  // namespace viewer
