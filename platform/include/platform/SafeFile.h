// The one way a file is replaced: the new contents go to a temporary file beside the target,
// which takes the target's name in one step only once it is complete. Until then the target
// stays as it was, and a failure or a discard leaves nothing behind. Every writer that
// replaces a file (text files, the archive library's extraction, downloads, the unpack step)
// goes through here; errors are errno values, so each caller raises them in its own terms.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

// Writes all `size` bytes at the descriptor's position, again after an interrupted or short
// write. Returns the count written: fewer only when a write failed, `*err` then holds its errno.
size_t WriteAll(int fd, const void* data, size_t size, int* err = nullptr);

// Appends what is left of the descriptor's file to `out`, again after an interrupted read.
// Returns 0, or the errno of the read that failed.
int ReadAll(int fd, std::string& out);

// How far a commit takes the new contents towards the disk.
enum class Flush {
    // The file's data before the rename and the folder's entry after it: after a power cut the
    // target is the old file or the whole new one.
    Full,
    // Only the rename, for a caller that flushes many files at once (FlushFileSystem) or that
    // relies on the system cache.
    None,
};

class ReplacementFile {
public:
    ReplacementFile() = default;
    ~ReplacementFile() { Discard(); }
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // Creates the temporary file for `target`, named `tempPrefix` and a random tail, in the
    // target's folder: exclusively, never through a link, with mode 0666 less the umask.
    // With `owned`, it carries its owner's lock (TakeOwnership) until it is committed or
    // discarded, so a clean-up after a killed run can tell it from a leftover. Returns 0 or
    // the errno.
    [[nodiscard]] int Open(const std::filesystem::path& target, std::string_view tempPrefix, bool owned = false);
    // The same in the folder open as `dirFd` (kept open by the caller until the file is
    // committed or discarded), for `targetName` in that folder.
    [[nodiscard]] int OpenAt(int dirFd, std::string targetName, std::string_view tempPrefix, bool owned = false);
    // Like Open with `owned`, but where the file system allows it the file has no name at all
    // until Commit links it in (under `tempPrefix` and a random tail, owned) just before the
    // rename: a kill before that leaves nothing behind. Elsewhere it is a named, owned one.
    [[nodiscard]] int OpenUnnamed(const std::filesystem::path& target, std::string_view tempPrefix);

    bool IsOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    // Empty while an unnamed file has no name.
    const std::string& TemporaryName() const { return tempName_; }
    bool Unnamed() const { return unnamed_; }

    // Appends all bytes; 0 or the errno of the write that failed.
    [[nodiscard]] int Write(const void* data, size_t size);
    // Closes the file and renames it over the target, flushed as asked. 0 or the errno; on a
    // failure the temporary file is gone and the target is as it was. Once the rename is done
    // the target is the new file, so a folder flush that fails after it is no failure of the
    // commit: FolderFlushError() tells it (0 when the folder was flushed or not asked to be).
    // An owned file keeps its lock until the rename is done.
    [[nodiscard]] int Commit(Flush flush);
    int FolderFlushError() const { return folderFlushError_; }
    // Removes the temporary file; the target stays as it was. Safe to call more than once.
    void Discard() noexcept;

private:
    int OpenIn(int dirFd, std::string targetName, std::string_view tempPrefix, bool owned);
    int LinkIn(int fd);  // gives an unnamed file its temporary name
    void Close() noexcept;
    int ownDirFd_ = -1;  // the folder opened by Open(path)
    int dirFd_ = -1;
    int fd_ = -1;
    bool owned_ = false;    // the file carries its owner's lock
    bool unnamed_ = false;  // made without a name (O_TMPFILE)
    std::string tempPrefix_;
    std::string targetName_;
    std::string tempName_;
    int folderFlushError_ = 0;
};

// The system calls that put a replacement in place. Tests install their own to make one of them
// fail as a file system without unnamed files, a device with a delayed write error or a refused
// rename would, or to end the process between two of them. Each returns as the call it stands
// for: -1 with errno set on a failure.
class ReplacementCalls {
public:
    virtual ~ReplacementCalls() = default;
    // A file without a name in the folder open as `dirFd` (O_TMPFILE), read-write: its descriptor.
    virtual int OpenUnnamed(int dirFd, mode_t mode);
    virtual int Close(int fd);
    virtual int Rename(int fromDir, const char* from, int toDir, const char* to);
};

// Installs the calls used from now on (not owned; nullptr restores the system's own) and
// returns the ones it replaces.
ReplacementCalls* SetReplacementCalls(ReplacementCalls* calls);

// Removes from `folder` the temporary files named `tempPrefix` and a random tail that no running
// process owns: what a run killed in the middle of a replacement left behind. Files of that
// name whose owner still runs stay. Returns how many went.
size_t RemoveUnownedTemporaries(const std::filesystem::path& folder, std::string_view tempPrefix);

// Temporary files and folders that a killed run leaves behind are told from those a running
// process still uses by a lock their owner holds on them for as long as it uses them.
//
// Takes that lock on `fd`, just made as `name` in the folder open as `dirFd`: 0, or EAGAIN
// when a clean-up got to it first and it is no longer there under that name (the caller then
// makes another).
[[nodiscard]] int TakeOwnership(int dirFd, const std::string& name, int fd);
// Opens a leftover for removing it: a descriptor that holds the owner's lock until it is
// closed, or -1 while a running process owns it (or when it is gone).
int OpenUnowned(const std::filesystem::path& path);

// Flushes the folder's entries (a rename or a new name in it) to the disk; 0 or the errno.
[[nodiscard]] int FlushFolder(const std::filesystem::path& folder);
// Flushes every written file of the file system that holds `path`, in one call instead of one
// per file; 0 or the errno.
[[nodiscard]] int FlushFileSystem(const std::filesystem::path& path);

}  // namespace platform
