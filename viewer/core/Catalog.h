// The catalog tree beside the program: the list files of its three upper levels, the two
// special sub-list items, and the merged story index of a list.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace viewer {

// Item texts that are headings or page commands, not names of lists (exact comparison).
inline constexpr std::string_view kStoryIndexItem = "Список рассказов";
inline constexpr std::string_view kBookPageItem = "Список книг";
bool IsSpecialItem(std::string_view item);

// Whether the picked sub-list item stays picked while the book area shows what it shows: a
// special item only while the view it opens (the story index, the list-of-books page) is
// shown; a sub-list of books always, since its books stay listed.
bool KeepsSubListPick(std::string_view picked, bool storyIndexShown, bool bookPageShown);

// Where a view stands in the tree: the installation directory P and the picked category C,
// list L and sub-list S. Item texts are used verbatim as file and folder names.
struct CatalogPlace {
    std::string programDir;
    std::string category;
    std::string list;
    std::string subList;
};

std::filesystem::path CategoryFile(const std::string& programDir, const std::string& category);  // P\C.txt
std::filesystem::path ListFile(const std::string& programDir, const std::string& category,
                               const std::string& list);  // P\C\L.txt
std::filesystem::path SubListFile(const CatalogPlace& place);                                // P\C\L\S.txt
std::filesystem::path SubListFolder(const CatalogPlace& place);                              // P\C\L\S
// The list-of-books page of a list, P\C\L\books.texx, in the program's own form: the page
// viewer resolves it when it loads the page.
std::string BookPageFile(const std::string& programDir, const std::string& category, const std::string& list);

// The items of a list file; a file that cannot be read is a FileError naming it.
std::vector<std::string> LoadListFile(const std::filesystem::path& file);

// How many lines at the top of a stories file are story titles.
inline constexpr size_t kStoryLines = 6;

// The merged story index of list L: lines 0 to 5 that are not empty, of every plain file
// (hidden ones left out) in the Files folder of every sub-list that is not special.
struct StoryIndex {
    std::vector<std::string> titles;  // sorted, every distinct title once
    std::string lastSubList;          // the last sub-list item walked, special or not
};
StoryIndex BuildStoryIndex(const std::string& programDir, const std::string& category, const std::string& list,
                           const std::vector<std::string>& subLists);

// Sorts titles as a Russian reader expects (letter case ignored, Ё with Е) and keeps every
// distinct title once; titles that differ only in case or in Ё/Е are distinct and both stay,
// next to each other, in the order of their exact text.
void SortAndDeduplicateTitles(std::vector<std::string>& titles);

}  // namespace viewer
