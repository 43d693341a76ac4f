#include "BookReader.h"

#include "Startup.h"
#include "platform/TextFile.h"

namespace fs = std::filesystem;

namespace viewer {

const char* FormatExtension(StoryFormat format) {
    switch (format) {
        case StoryFormat::Doc: return ".doc";
        case StoryFormat::Rtf: return ".rtf";
        case StoryFormat::Fb2: return ".fb2";
    }
    return "";
}

const char* FormatMarkText(StoryFormat format) {
    switch (format) {
        case StoryFormat::Doc: return "DOC";
        case StoryFormat::Rtf: return "RTF";
        case StoryFormat::Fb2: return "FB2";
    }
    return "";
}

bool IsDocumentName(std::string_view title) {
    if (title.empty()) return false;
    size_t start = 0;
    while (start <= title.size()) {
        size_t end = title.find_first_of("/\\", start);
        if (end == std::string_view::npos) end = title.size();
        if (title.substr(start, end - start) == "..") return false;
        start = end + 1;
    }
    return true;
}

BookFiles BookReader::Read(const CatalogPlace& place, const std::string& book) {
    BookFiles files;
    files.title = book;
    const fs::path folder = SubListFolder(place);
    auto load = [&](const char* sub) -> std::optional<std::vector<std::string>> {
        if (auto file = folders_.FindFile(DataPath(folder.string(), sub), book + ".txt"))
            return platform::LoadLines(*file);
        return std::nullopt;
    };
    files.stories = load("Files");
    files.publication = load("Books");
    files.description = load("Books/moreinfo");
    const fs::path images = DataPath(folder.string(), "images");
    files.cover = folders_.FindFile(images, book + ".jpg");
    files.placeholder = DataPath(images.string(), "noti.jpg");
    if (files.stories) {
        for (size_t i = 0; i < kStoryLines && i < files.stories->size(); ++i)
            files.marks[i] = FormatMark(place.programDir, (*files.stories)[i]);
    }
    return files;
}

std::vector<fs::path> BookReader::StoryDocuments(const std::string& programDir, const std::string& story) {
    std::vector<fs::path> documents;
    if (!IsDocumentName(story)) return documents;
    const fs::path docs = DataPath(programDir, "docs");
    for (StoryFormat format : kStoryFormats)
        if (auto file = folders_.FindFile(docs, story + FormatExtension(format))) documents.push_back(*file);
    return documents;
}

std::string BookReader::FormatMark(const std::string& programDir, const std::string& story) {
    std::string mark;
    if (!IsDocumentName(story)) return mark;
    const fs::path docs = DataPath(programDir, "docs");
    for (StoryFormat format : kStoryFormats)
        if (folders_.FindFile(docs, story + FormatExtension(format))) mark = FormatMarkText(format);
    return mark;
}

std::optional<fs::path> BookReader::ReadableDocument(const CatalogPlace& place, const std::string& story) {
    if (!IsDocumentName(story)) return std::nullopt;
    return folders_.FindFile(DataPath(SubListFolder(place).string(), "Books/Doc"), story + ".doc");
}

std::vector<int> BookReader::ReadMarkRows(const CatalogPlace& place, const std::vector<std::string>& items) {
    std::vector<int> rows;
    if (items.empty()) return rows;
    const fs::path doc = DataPath(SubListFolder(place).string(), "Books/Doc");
    for (size_t i = 0; i < items.size(); ++i)
        if (IsDocumentName(items[i]) && folders_.FindFile(doc, items[i] + ".doc")) rows.push_back(static_cast<int>(i));
    return rows;
}

}  // namespace viewer
