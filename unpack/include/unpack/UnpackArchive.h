// The one unpack step of both programs: an update archive is written over the installation,
// whole or not at all, and never over the files the user wrote.
#pragma once

#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace unpack {

// Why an archive was not unpacked; the message names the archive and the reason.
class UnpackError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct UnpackReport {
    size_t files = 0;                        // files written below the base folder
    std::vector<std::string> keptUserFiles;  // the archive's copies of user files, left out ('/' separators)
};

// Unpacks `archive` below `baseDir`. Both are paths as the programs build them (either
// separator, case-insensitive; an empty baseDir is the current directory).
//
// The whole archive is first extracted into a scratch folder inside baseDir. Only when every
// item came out whole are the files moved into place, each one replacing its namesake in a
// single step, so a damaged or truncated archive leaves the installation as it was. Folders
// are matched case-insensitively, as the data tree expects. A replaced file keeps its execute
// permission, so a program that an update replaces still starts. The user's own files (see
// IsUserFile) are never written.
//
// Throws UnpackError when the archive is missing, cannot be read to the end, holds no file,
// or a file cannot be put in place. Only in the last case can files moved before it stay.
UnpackReport UnpackArchive(const std::string& archive, const std::string& baseDir);

// Reads the whole archive as UnpackArchive does, without putting anything in place: the
// viewer checks a program update this way before it hands it to the updater.
void CheckArchive(const std::string& archive);

// Whether a path relative to the installation names a file the user writes: options.ini, the
// skin choice skins/skin_select.txt and every owned-book list .../Books/_have.txt (either
// separator, any case).
bool IsUserFile(std::string_view relativePath);

// The extraction behind both: writes every item of `archive` below `folder`, an empty folder
// made for this call, and throws (any std::exception, its message for the user) when the
// archive cannot be opened, an item fails its check or cannot be written, or an item was
// skipped. It must not write outside `folder`.
using Extractor = std::function<void(const std::filesystem::path& archive, const std::filesystem::path& folder)>;

// The archive library's extraction: its five steps into the folder.
Extractor DefaultExtractor();

// Replaces the extraction for the whole process (nullptr: the default again).
void SetExtractorForTesting(Extractor extractor);

}  // namespace unpack
