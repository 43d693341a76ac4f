#include "platform/SafeFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <random>
#include <vector>

namespace platform {
namespace {

constexpr std::size_t kTailLength = 12;

std::string RandomTail() {
    thread_local std::mt19937_64 gen{std::random_device{}()};
    static const char* hex = "0123456789abcdef";
    std::string s;
    std::uint64_t v = gen();
    for (std::size_t i = 0; i < kTailLength; ++i, v >>= 4) s += hex[v & 0xF];
    return s;
}

bool IsRandomTail(std::string_view s) {
    if (s.size() != kTailLength) return false;
    for (const char c : s)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

ReplacementCalls systemCalls;
ReplacementCalls* calls = &systemCalls;

// The name through which an unnamed file is linked in without privileges.
std::string ProcPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

// The folder `target` is in, open for the calls relative to it: its descriptor, or -1 with errno.
int OpenFolderOf(const std::filesystem::path& target) {
    const std::filesystem::path dir = target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    return ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

int FsyncFd(int fd) {
    while (::fsync(fd) != 0) {
        if (errno != EINTR) return errno;
    }
    return 0;
}

}  // namespace

int ReadAll(int fd, std::string& out) {
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return 0;
        out.append(buf, static_cast<size_t>(n));
    }
}

size_t WriteAll(int fd, const void* data, size_t size, int* err) {
    const auto* p = static_cast<const char*>(data);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, p + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            // A write that takes nothing without an error is a full device all the same.
            if (err) *err = n < 0 ? errno : ENOSPC;
            break;
        }
        done += static_cast<size_t>(n);
    }
    return done;
}

int ReplacementFile::Open(const std::filesystem::path& target, std::string_view tempPrefix, bool owned) {
    Discard();
    const int dirFd = OpenFolderOf(target);
    if (dirFd < 0) return errno;
    const int err = OpenIn(dirFd, target.filename().string(), tempPrefix, owned);
    if (err) {
        ::close(dirFd);
        return err;
    }
    ownDirFd_ = dirFd;
    return 0;
}

int ReplacementFile::OpenAt(int dirFd, std::string targetName, std::string_view tempPrefix, bool owned) {
    Discard();
    return OpenIn(dirFd, std::move(targetName), tempPrefix, owned);
}

int ReplacementFile::OpenUnnamed(const std::filesystem::path& target, std::string_view tempPrefix) {
    Discard();
    const int dirFd = OpenFolderOf(target);
    if (dirFd < 0) return errno;
    const int fd = calls->OpenUnnamed(dirFd, 0666);
    // Locked from the start, so that once it has a name no clean-up takes it for a leftover;
    // usable only where its name in /proc lets it be linked in.
    if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::access(ProcPath(fd).c_str(), F_OK) == 0) {
        ownDirFd_ = dirFd_ = dirFd;
        fd_ = fd;
        owned_ = unnamed_ = true;
        tempPrefix_ = tempPrefix;
        targetName_ = target.filename().string();
        return 0;
    }
    if (fd >= 0) ::close(fd);
    ::close(dirFd);
    // Elsewhere a named one, which carries its owner's lock instead.
    return Open(target, tempPrefix, true);
}

int ReplacementFile::OpenIn(int dirFd, std::string targetName, std::string_view tempPrefix, bool owned) {
    for (int attempt = 0;; ++attempt) {
        std::string temp = std::string(tempPrefix) + RandomTail();
        // O_EXCL | O_NOFOLLOW: a fresh file of our own, never one a link points at.
        int fd = ::openat(dirFd, temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 && owned && TakeOwnership(dirFd, temp, fd) != 0) {
            ::close(fd);  // a clean-up took it: another name
            if (attempt < 16) continue;
            return EAGAIN;
        }
        if (fd >= 0) {
            dirFd_ = dirFd;
            fd_ = fd;
            owned_ = owned;
            unnamed_ = false;
            targetName_ = std::move(targetName);
            tempName_ = std::move(temp);
            return 0;
        }
        if (errno != EEXIST || attempt >= 16) return errno;
    }
}

int ReplacementFile::Write(const void* data, size_t size) {
    if (fd_ < 0) return EBADF;
    int err = 0;
    return WriteAll(fd_, data, size, &err) == size ? 0 : err;
}

int ReplacementFile::LinkIn(int fd) {
    for (int attempt = 0;; ++attempt) {
        std::string name = tempPrefix_ + RandomTail();
        if (::linkat(AT_FDCWD, ProcPath(fd).c_str(), dirFd_, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            tempName_ = std::move(name);
            return 0;
        }
        if (errno != EEXIST || attempt >= 16) return errno;
    }
}

int ReplacementFile::Commit(Flush flush) {
    if (fd_ < 0) return EBADF;
    int err = flush == Flush::Full ? FsyncFd(fd_) : 0;
    // The owner's lock stays on the file, through a second descriptor, until it has the target's
    // name: a clean-up running meanwhile leaves it alone. An unnamed file is linked in through it.
    const int held = owned_ ? ::fcntl(fd_, F_DUPFD_CLOEXEC, 0) : -1;
    if (owned_ && held < 0 && !err && unnamed_) err = errno;
    const int fd = fd_;
    fd_ = -1;
    // A delayed write error shows at the close.
    if (calls->Close(fd) != 0 && !err) err = errno;
    if (!err && unnamed_) err = LinkIn(held);
    // One step: the target is either the old file or the new one, never a half-written one.
    if (!err && calls->Rename(dirFd_, tempName_.c_str(), dirFd_, targetName_.c_str()) != 0) err = errno;
    folderFlushError_ = 0;
    if (err) {
        if (!tempName_.empty()) ::unlinkat(dirFd_, tempName_.c_str(), 0);
    } else if (flush == Flush::Full) {
        folderFlushError_ = FsyncFd(dirFd_);
    }
    if (held >= 0) ::close(held);
    Close();
    return err;
}

void ReplacementFile::Discard() noexcept {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
        if (!tempName_.empty()) ::unlinkat(dirFd_, tempName_.c_str(), 0);
    }
    Close();
}

void ReplacementFile::Close() noexcept {
    tempName_.clear();
    owned_ = unnamed_ = false;
    if (ownDirFd_ >= 0) ::close(ownDirFd_);
    ownDirFd_ = dirFd_ = -1;
}

int ReplacementCalls::OpenUnnamed(int dirFd, mode_t mode) {
    return ::openat(dirFd, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
}

int ReplacementCalls::Close(int fd) { return ::close(fd); }

int ReplacementCalls::Rename(int fromDir, const char* from, int toDir, const char* to) {
    return ::renameat(fromDir, from, toDir, to);
}

ReplacementCalls* SetReplacementCalls(ReplacementCalls* replacement) {
    ReplacementCalls* old = calls == &systemCalls ? nullptr : calls;
    calls = replacement ? replacement : &systemCalls;
    return old;
}

size_t RemoveUnownedTemporaries(const std::filesystem::path& folder, std::string_view tempPrefix) {
    const int dirFd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) return 0;
    std::vector<std::string> found;
    const int listFd = ::fcntl(dirFd, F_DUPFD_CLOEXEC, 0);
    DIR* d = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
    if (!d && listFd >= 0) ::close(listFd);
    while (const dirent* e = d ? ::readdir(d) : nullptr) {
        const std::string_view name = e->d_name;
        if (name.size() > tempPrefix.size() && name.starts_with(tempPrefix) && IsRandomTail(name.substr(tempPrefix.size())))
            found.emplace_back(name);
    }
    if (d) ::closedir(d);
    size_t removed = 0;
    for (const std::string& name : found) {
        const int fd = ::openat(dirFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat st;
        // A running owner holds the lock; only plain files are ever made under these names.
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            ::unlinkat(dirFd, name.c_str(), 0) == 0)
            ++removed;
        ::close(fd);
    }
    ::close(dirFd);
    return removed;
}

int TakeOwnership(int dirFd, const std::string& name, int fd) {
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return EAGAIN;
    // A clean-up may have locked, removed and released it between its making and the lock.
    struct stat mine;
    struct stat named;
    if (::fstat(fd, &mine) != 0 || ::fstatat(dirFd, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 ||
        mine.st_ino != named.st_ino || mine.st_dev != named.st_dev)
        return EAGAIN;
    return 0;
}

int OpenUnowned(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

int FlushFolder(const std::filesystem::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return errno;
    const int err = FsyncFd(fd);
    ::close(fd);
    return err;
}

int FlushFileSystem(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    const int err = ::syncfs(fd) == 0 ? 0 : errno;
    ::close(fd);
    return err;
}

}  // namespace platform
