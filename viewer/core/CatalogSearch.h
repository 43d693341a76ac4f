// The quick search: the first book of the whole catalog, in the order category, list,
// sub-list, book, whose title begins with the typed text, ignoring letter case (Cyrillic and
// Latin). The walk loads the lists of each category, the sub-lists of each list and the books
// of each sub-list in turn, skipping the special items; what it loaded last at each level is
// what the window's lists show when it ends, hit or not. A list file that cannot be read ends
// the walk there.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ListFileCache.h"
#include "platform/FileError.h"

namespace viewer {

// The placeholder the box shows while idle, and the other one Esc recognises.
inline constexpr std::string_view kQuickSearchPlaceholder = "Quick search";
inline constexpr std::string_view kQuickSearchPlaceholderRu = "Поиск";

// Whether a text of the box is searched for: not when empty or the placeholder.
bool IsSearchText(std::string_view text);

// Whether the title begins with the text, ignoring letter case; a shorter title never does.
bool TitleStartsWith(std::string_view title, std::string_view text);

struct QuickSearchResult {
    // One level as the walk left it: the item loaded last, its row in the list above (where
    // the window shows it picked; -1 when the walk loaded another list above it since and
    // stopped before this level), and the lines of its list file.
    struct Level {
        std::string name;
        std::shared_ptr<const ListFileCache::Lists> lists;
        int row = 0;
    };
    std::optional<Level> category;  // the lists of this category (the window's list level)
    std::optional<Level> list;      // the sub-lists of this list
    std::optional<Level> subList;   // the books of this sub-list
    std::optional<int> hit;         // index of the hit among subList's books
    std::optional<platform::FileError> error;  // the list file that ended the walk
};

class CatalogSearch {
public:
    explicit CatalogSearch(int64_t settleNs = ListFileCache::kDefaultSettleNs) : files_(settleNs) {}

    // Walks the categories (the window's category list) below programDir for `text`. Reads
    // only what changed since the last walk.
    QuickSearchResult Search(const std::string& programDir, const std::vector<std::string>& categories,
                             std::string_view text);

    const ListFileCache& files() const { return files_; }

private:
    ListFileCache files_;
};

}  // namespace viewer
