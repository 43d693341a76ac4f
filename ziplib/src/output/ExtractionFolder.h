// The folder a batch extracts into, opened once: folders and files are made under it by walking
// from its handle one part at a time, never through a symbolic link. A name finds its exact
// spelling first, else what was there before the batch without regard to case (an item
// "docs/Readme.txt" replaces "Docs/readme.txt"), but never a file another item of the same
// batch wrote: "README" and "readme" in one archive are two files.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "output/ItemPathGuard.h"

namespace ziplib {

class SafeOutputFile;

// A folder under the extraction folder that can't be made or opened; Folder() names it in
// Windows form for the "Cannot create directory" error.
class EExtractionFolderError : public std::runtime_error {
public:
    EExtractionFolderError(const std::string& message, std::u16string folder)
        : std::runtime_error(message), folder_(std::move(folder)) {}
    const std::u16string& Folder() const { return folder_; }

private:
    std::u16string folder_;
};

class ExtractionFolder {
public:
    // Opens `baseDir` (Windows form), making it and its missing parents first when `create`.
    // The base is the caller's choice, so links on the way to it are followed; below it none are.
    // EExtractionFolderError when it can't be made or opened.
    explicit ExtractionFolder(std::u16string_view baseDir, bool create = true);
    ~ExtractionFolder();
    ExtractionFolder(const ExtractionFolder&) = delete;
    ExtractionFolder& operator=(const ExtractionFolder&) = delete;

    // The base folder in Windows form with a trailing '\'.
    const std::u16string& BaseDir() const { return baseDir_; }

    // Makes every missing folder of `folders` (outermost first) under the base. A part that is
    // a symbolic link raises EUnsafePath; one that is a file, or a folder that can't be made,
    // raises EExtractionFolderError naming it.
    void MakeFolders(std::span<const std::u16string> folders);

    // What is at the target `path` names now, for the overwrite rules: nothing (nullopt, also
    // when a folder on the way is missing), or its attributes (faDirectory, faReadOnly for a
    // file without owner write permission, else faArchive; a link counts as a file that is
    // replaced) and its modification time as a local DOS date-time (-1 outside 1980-2107).
    // Looked up as CreateFile will write it; EUnsafePath for a link on the way.
    struct Existing {
        std::uint32_t attributes;
        std::int32_t dosDateTime;
    };
    std::optional<Existing> Find(const ItemPath& path);

    // A temporary file beside the target that `path` names (its folders must exist), which
    // becomes the target only on SafeOutputFile::Commit. EFCreateError when it can't be made or
    // the target is a folder; EUnsafePath for a link on the way. The folder must outlive the file.
    std::unique_ptr<SafeOutputFile> CreateFile(const ItemPath& path);

private:
    friend class SafeOutputFile;
    struct Handle;   // an open folder, shared with the files being written in it
    struct Listing;  // a folder's names, read once, kept up to date with what the batch makes
    struct Open {
        std::shared_ptr<Handle> handle;
        Listing* listing;
    };

    // The folder `folders` names; the folders of the last call stay open, so the next item in
    // the same folder or a sibling opens nothing new.
    Open OpenFolder(std::span<const std::u16string> folders, bool create);
    enum class EntryKind { Folder, File };
    // The spelling of the entry matching `name`: itself, else the smallest spelling equal to it
    // without case of an entry that was there before the batch (for a file, one that no other
    // item of the batch wrote), else `name` (an entry still to be made).
    std::string Lookup(const Open& folder, const std::string& name, EntryKind kind);
    // Before the item named exactly `name` is looked up: a file there that the batch wrote for
    // an item spelt otherwise is moved to that item's own name.
    void Reclaim(const Open& folder, const std::string& name);
    Listing* ListingFor(const std::u16string& key);
    std::u16string FolderText(std::span<const std::u16string> folders) const;

    std::u16string baseDir_;
    Open base_{};
    std::vector<std::u16string> openKeys_;  // the parts asked for that opened openFolders_
    std::vector<Open> openFolders_;
    std::vector<std::u16string> openPaths_;  // their listings' keys
    std::unordered_map<std::u16string, std::unique_ptr<Listing>> listings_;  // by path as spelt on disk
};

}  // namespace ziplib
