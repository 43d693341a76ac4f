#include "Catalog.h"

#include <algorithm>
#include <system_error>

#include "Startup.h"
#include "platform/CodePage.h"
#include "platform/TextFile.h"
#include "platform/Unicode.h"

namespace fs = std::filesystem;

namespace viewer {

bool IsSpecialItem(std::string_view item) { return item == kStoryIndexItem || item == kBookPageItem; }

bool KeepsSubListPick(std::string_view picked, bool storyIndexShown, bool bookPageShown) {
    if (picked == kStoryIndexItem) return storyIndexShown;
    if (picked == kBookPageItem) return bookPageShown;
    return true;
}

fs::path CategoryFile(const std::string& programDir, const std::string& category) {
    return DataPath(programDir, category + ".txt");
}

fs::path ListFile(const std::string& programDir, const std::string& category, const std::string& list) {
    return DataPath(programDir, category + "\\" + list + ".txt");
}

fs::path SubListFile(const CatalogPlace& place) {
    return DataPath(place.programDir, place.category + "\\" + place.list + "\\" + place.subList + ".txt");
}

fs::path SubListFolder(const CatalogPlace& place) {
    return DataPath(place.programDir, place.category + "\\" + place.list + "\\" + place.subList);
}

std::string BookPageFile(const std::string& programDir, const std::string& category, const std::string& list) {
    return programDir + "\\" + category + "\\" + list + "\\" + "books.texx";
}

std::vector<std::string> LoadListFile(const fs::path& file) { return platform::LoadLines(file); }

namespace {

// Appends the non-empty title lines of one stories file; only they are decoded.
void AddTitles(const fs::path& file, std::vector<std::string>& titles) {
    const std::vector<std::string> lines = platform::SplitLines(platform::ReadFileBytes(file));
    const size_t n = std::min(lines.size(), kStoryLines);
    for (size_t i = 0; i < n; ++i)
        if (!lines[i].empty()) titles.push_back(platform::BytesToUtf8(lines[i]));
}

}  // namespace

StoryIndex BuildStoryIndex(const std::string& programDir, const std::string& category, const std::string& list,
                           const std::vector<std::string>& subLists) {
    StoryIndex index;
    for (const std::string& subList : subLists) {
        index.lastSubList = subList;
        if (IsSpecialItem(subList)) continue;
        const fs::path folder = DataPath(programDir, category + "\\" + list + "\\" + subList + "\\Files");
        std::error_code ec;
        fs::directory_iterator it(folder, ec);
        if (ec) continue;  // a sub-list without stories adds nothing
        for (const fs::directory_entry& entry : it) {
            const std::string name = entry.path().filename().string();
            if (name.empty() || name.front() == '.') continue;
            std::error_code typeEc;
            if (!entry.is_regular_file(typeEc)) continue;
            AddTitles(entry.path(), index.titles);
        }
    }
    SortAndDeduplicateTitles(index.titles);
    return index;
}

void SortAndDeduplicateTitles(std::vector<std::string>& titles) {
    // Sorting by the folded text alone would leave equal titles apart whenever a case
    // variant falls between them; the exact text as second key keeps them together, so one
    // pass over neighbours removes every repeat.
    struct Keyed {
        platform::SortKey key;
        std::string* title;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(titles.size());
    for (std::string& t : titles) keyed.push_back({platform::MakeSortKey(t), &t});
    std::sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) { return a.key < b.key; });
    std::vector<std::string> out;
    out.reserve(keyed.size());
    for (const Keyed& k : keyed)
        if (out.empty() || out.back() != *k.title) out.push_back(std::move(*k.title));
    titles = std::move(out);
}

}  // namespace viewer
