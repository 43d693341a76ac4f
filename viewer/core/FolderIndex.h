// Existence tests for many names in a few folders (the story documents, the covers, the
// readable documents). A name that is not there under its exact spelling is looked up
// ignoring letter case, as the tree was made on a file system that ignores it; listing a
// large folder for every such miss would make a book pick slow, so each folder's listing is
// kept and taken again only when the folder changes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/FileStamp.h"

namespace viewer {

class FolderIndex {
public:
    // The plain file `name` inside `folder` (a resolved path), matched as the platform's path
    // resolution matches it: the exact name first, else the smallest name equal ignoring case.
    // A name holding a separator is resolved component by component.
    std::optional<std::filesystem::path> FindFile(const std::filesystem::path& folder, std::string_view name);

private:
    struct Listing {
        platform::FileStamp stamp;
        bool trusted = false;  // false: taken again at the next look
        std::unordered_map<std::string, bool> exact;          // name -> plain file
        std::unordered_map<std::string, std::string> folded;  // folded name -> smallest name
    };
    const Listing* Current(const std::filesystem::path& folder);

    std::unordered_map<std::string, Listing> listings_;
};

}  // namespace viewer
