// The folder an unpack works in: made beside the files it is meant for (so that moving out of
// it is a rename on the same file system), locked by its owner for as long as it is used, and
// removed with whatever is left in it.
#pragma once

#include <filesystem>
#include <string_view>

namespace unpack {

inline constexpr std::string_view kScratchPrefix = ".unpack-";

class ScratchFolder {
public:
    // Throws UnpackError (the message begins with `what`) when none can be made in `parent`.
    ScratchFolder(const std::filesystem::path& parent, const std::string& what);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Leaves the folder in place (with its lock released at the end of the process): what a
    // failed roll-back could not put back stays for the next start to finish.
    void Keep() { keep_ = true; }

private:
    std::filesystem::path path_;
    int fd_ = -1;  // holds the owner's lock
    bool keep_ = false;
};

// Removes a folder tree, also where the extraction made folders read-only.
void RemoveTree(const std::filesystem::path& folder);

}  // namespace unpack
