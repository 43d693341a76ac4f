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
        for (const std::string& category : categories) {
            result.category = {category, files_.Load(CategoryFile(programDir, category), false)};
            const auto lists = result.category->lists;
            for (const std::string& list : lists->items) {
                if (IsSpecialItem(list)) continue;
                result.list = {list, files_.Load(ListFile(programDir, category, list), false)};
                const auto subLists = result.list->lists;
                for (const std::string& subList : subLists->items) {
                    if (IsSpecialItem(subList)) continue;
                    const CatalogPlace place{programDir, category, list, subList};
                    result.subList = {subList, files_.Load(SubListFile(place), true)};
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
