#include "platform/SafeFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <random>

namespace platform {
namespace {

std::string RandomTail() {
    thread_local std::mt19937_64 gen{std::random_device{}()};
    static const char* hex = "0123456789abcdef";
    std::string s;
    std::uint64_t v = gen();
    for (int i = 0; i < 12; ++i, v >>= 4) s += hex[v & 0xF];
    return s;
}

int FsyncFd(int fd) {
    while (::fsync(fd) != 0) {
        if (errno != EINTR) return errno;
    }
    return 0;
}

}  // namespace

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
    const std::filesystem::path dir = target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
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

int ReplacementFile::Commit(Flush flush) {
    if (fd_ < 0) return EBADF;
    int err = flush == Flush::Full ? FsyncFd(fd_) : 0;
    const int fd = fd_;
    fd_ = -1;
    // A delayed write error shows at the close.
    if (::close(fd) != 0 && !err) err = errno;
    // One step: the target is either the old file or the new one, never a half-written one.
    if (!err && ::renameat(dirFd_, tempName_.c_str(), dirFd_, targetName_.c_str()) != 0) err = errno;
    folderFlushError_ = 0;
    if (err) {
        ::unlinkat(dirFd_, tempName_.c_str(), 0);
    } else if (flush == Flush::Full) {
        folderFlushError_ = FsyncFd(dirFd_);
    }
    tempName_.clear();
    if (ownDirFd_ >= 0) ::close(ownDirFd_);
    ownDirFd_ = dirFd_ = -1;
    return err;
}

void ReplacementFile::Discard() noexcept {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
        ::unlinkat(dirFd_, tempName_.c_str(), 0);
    }
    tempName_.clear();
    if (ownDirFd_ >= 0) ::close(ownDirFd_);
    ownDirFd_ = dirFd_ = -1;
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
