#include "CatalogSearch.h"

#include "Catalog.h"
#include "platform/Unicode.h"

namespace viewer {

bool IsSearchText(std::string_view text) { return !text.empty() && text != kQuickSearchPlaceholder; }

bool TitleStartsWith(std::string_view title, std::string_view text) {
    // Folding keeps each character one character, so a prefix of the folded title is the
    // folded prefix of the title.
    return platform::FoldCaseUtf8(title).starts_with(platform::FoldCaseUtf8(text));
}

QuickSearchResult CatalogSearch::Search(const std::string& programDir, const std::vector<std::string>& categories,
                                        std::string_view text) {
    QuickSearchResult result;
    const std::string wanted = platform::FoldCaseUtf8(text);
    try {
        for (size_t c = 0; c < categories.size(); ++c) {
            const std::string& category = categories[c];
            result.category = {category, files_.Load(CategoryFile(programDir, category), false), static_cast<int>(c)};
            if (result.list) result.list->row = -1;
            if (result.subList) result.subList->row = -1;
            const auto lists = result.category->lists;
            for (size_t l = 0; l < lists->items.size(); ++l) {
                const std::string& list = lists->items[l];
                if (IsSpecialItem(list)) continue;
                result.list = {list, files_.Load(ListFile(programDir, category, list), false), static_cast<int>(l)};
                if (result.subList) result.subList->row = -1;
                const auto subLists = result.list->lists;
                for (size_t s = 0; s < subLists->items.size(); ++s) {
                    const std::string& subList = subLists->items[s];
                    if (IsSpecialItem(subList)) continue;
                    const CatalogPlace place{programDir, category, list, subList};
                    result.subList = {subList, files_.Load(SubListFile(place), true), static_cast<int>(s)};
                    const std::vector<std::string>& titles = result.subList->lists->folded;
                    for (size_t k = 0; k < titles.size(); ++k) {
                        if (titles[k].starts_with(wanted)) {
                            result.hit = static_cast<int>(k);
                            return result;
                        }
                    }
                }
            }
        }
    } catch (const platform::FileError& e) {
        result.error = e;
    }
    return result;
}

}  // namespace viewer
