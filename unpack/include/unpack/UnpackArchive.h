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

// How far an unpack has come, in thousandths; called on the unpacking thread.
using Progress = std::function<void(int permille)>;

// Unpacks `archive` below `baseDir`. Both are paths as the programs build them (either
// separator, case-insensitive; an empty baseDir is the current directory).
//
// The whole archive is first extracted into a scratch folder inside baseDir. Only when every
// item came out whole, and every file can be put in place (no file where the installation has
// a folder or the reverse, every folder written into writable), are the files moved into place,
// each one replacing its namesake in a single step. The replaced files are kept until all
// moves are done: when one fails, those moved before it are put back, and after a kill the
// next start does so (RecoverInterrupted). So an installation is always the old one or the
// new one. Folders are matched case-insensitively, as the data tree expects, each one read
// once. A replaced file keeps its execute permission, so a program that an update replaces
// still starts. The user's own files (see IsUserFile) are installed only where the
// installation has none yet.
//
// Nothing is unpacked while another unpack's journal lies in baseDir (see UpdateInTheWay).
//
// Throws UnpackError when the archive is missing, cannot be read to the end, holds no file,
// a file cannot be put in place, or an update is in the way.
UnpackReport UnpackArchive(const std::string& archive, const std::string& baseDir, const Progress& progress = {});

// Everything UnpackArchive does short of moving a file into place: the viewer checks a program
// update this way before it hands it to the updater, which then cannot fail where the viewer
// could have known.
void CheckArchive(const std::string& archive, const std::string& baseDir, const Progress& progress = {});

// Why no update may be put in place over `baseDir` now, for the user (a phrase without its
// full stop): an interrupted update whose moves are not all put back yet, or another update
// being put in place. Empty when one may.
std::string UpdateInTheWay(const std::string& baseDir);

inline constexpr const char* kUndoneNotice =
    "An interrupted update was undone; the installation is as it was before it.";

// What the start-up clean-up came to.
struct Recovery {
    size_t cleared = 0;                 // scratch folders finished and removed
    std::vector<std::string> problems;  // for the user: what could not be finished, where and why
    // The problems as one message, a paragraph each; empty when the installation is sound.
    std::string Message() const;
    // kUndoneNotice when something was cleared and nothing is amiss; empty otherwise.
    std::string Notice() const;
};

// Whether `baseDir` holds scratch folders, left by a killed run or in use: RecoverInterrupted
// has something to look at (and may take a while).
bool InterruptedUpdatesIn(const std::string& baseDir);

// Finishes what a killed unpack left in `baseDir`: moves that were begun are put back as the
// scratch folder's journal says, the temporary files of copies it cut off beside their
// targets are removed, and the scratch folder goes. Scratch folders and copies a running
// unpack owns are left alone. Never throws for what it finds:
// - a move that cannot be put back (a folder still read-only) is a problem naming the file
//   and the cause; the scratch folder and its journal stay and the next start tries again;
// - a journal that cannot be read, is not whole, names a path outside the installation or its
//   scratch folder (after resolving ".", ".." and links), or no longer matches the files on
//   disk (another update or a hand changed them since) is a problem naming it and how, and
//   nothing of it is applied; it is set aside as "journal.damaged", and its scratch folder
//   (with the replaced files) is kept for a repair by hand, which later starts leave alone.
// A journal whose moves are all put back is retired with its folder.
Recovery RecoverInterrupted(const std::string& baseDir);

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

// Called before each move into place with its number and target; an errno it returns makes
// that move fail (nullptr: none). For tests of a move that fails or is killed half-way.
void SetMoveHookForTesting(std::function<int(size_t index, const std::filesystem::path& target)> hook);

}  // namespace unpack
