// The files of a book and of its stories, found below the sub-list the book belongs to:
//   S\Files\B.txt           stories: lines 0-5 titles, lines 9 on their episodes
//   S\Books\B.txt           publication data
//   S\Books\moreinfo\B.txt  description
//   S\images\B.jpg          cover (S\images\noti.jpg stands in for a missing one)
//   S\Books\Doc\T.doc       readable document of story T
//   P\docs\T.doc, .rtf, .fb2  story documents opened with the desktop
// Every file is tested for existence before it is read.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "Catalog.h"
#include "FolderIndex.h"

namespace viewer {

struct BookFiles {
    std::string title;
    std::optional<std::vector<std::string>> stories;      // the stories file, whole
    std::optional<std::vector<std::string>> publication;  // the publication data
    std::optional<std::vector<std::string>> description;  // the description, as lines
    std::optional<std::filesystem::path> cover;           // the book's own cover
    std::filesystem::path placeholder;                    // images\noti.jpg (may be missing)
    std::array<std::string, kStoryLines> marks;           // format mark of story lines 0-5
};

// The mark of the last existing story document: "DOC", "RTF" or "FB2", tested in this order.
enum class StoryFormat { Doc, Rtf, Fb2 };
inline constexpr StoryFormat kStoryFormats[] = {StoryFormat::Doc, StoryFormat::Rtf, StoryFormat::Fb2};
const char* FormatExtension(StoryFormat format);  // ".doc", ".rtf", ".fb2"
const char* FormatMarkText(StoryFormat format);   // "DOC", "RTF", "FB2"

// A story title can name a document only if it stays inside its folder: an empty title or
// one with a ".." component names none.
bool IsDocumentName(std::string_view title);

class BookReader {
public:
    BookFiles Read(const CatalogPlace& place, const std::string& book);

    // P\docs\T + extension for each format whose file exists, in the order DOC, RTF, FB2.
    std::vector<std::filesystem::path> StoryDocuments(const std::string& programDir, const std::string& story);
    // "DOC", "RTF", "FB2" for the last existing document of the story, or "".
    std::string FormatMark(const std::string& programDir, const std::string& story);

    // S\Books\Doc\T.doc when it exists.
    std::optional<std::filesystem::path> ReadableDocument(const CatalogPlace& place, const std::string& story);
    // Indices of the items that have a readable document (the rows that get "Read").
    std::vector<int> ReadMarkRows(const CatalogPlace& place, const std::vector<std::string>& items);

private:
    FolderIndex folders_;
};

}  // namespace viewer
