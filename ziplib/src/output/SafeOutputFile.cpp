#include "output/SafeOutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "ExtractionFolderParts.h"
#include "format/DosDateTime.h"
#include "output/ExtractionFolder.h"
#include "platform/Unicode.h"
#include "ziplib/UniExceptions.h"
#include "ziplib/WideFiles.h"
#include "ziplib/ZAFormat.h"

namespace ziplib {

SafeOutputFile::SafeOutputFile(std::shared_ptr<ExtractionFolder::Handle> folder, ExtractionFolder::Listing* listing,
                               int fd, std::string tempName, std::string finalName, std::u16string target)
    : folder_(std::move(folder)),
      dirFd_(folder_->fd),
      listing_(listing),
      fd_(fd),
      tempName_(std::move(tempName)),
      finalName_(std::move(finalName)),
      target_(std::move(target)) {}

SafeOutputFile::~SafeOutputFile() { Discard(); }

int64_t SafeOutputFile::Read(void* buffer, int64_t count) {
    int64_t done = 0;
    auto* p = static_cast<char*>(buffer);
    while (fd_ >= 0 && done < count) {
        const ssize_t n = ::read(fd_, p + done, static_cast<size_t>(count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    return done;
}

int64_t SafeOutputFile::Write(const void* buffer, int64_t count) {
    int64_t done = 0;
    const auto* p = static_cast<const char*>(buffer);
    while (fd_ >= 0 && done < count) {
        const ssize_t n = ::write(fd_, p + done, static_cast<size_t>(count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;  // a full disk: the retry writer asks what to do
        done += n;
    }
    return done;
}

int64_t SafeOutputFile::Seek(int64_t offset, TSeekOrigin origin) {
    if (fd_ < 0) return -1;
    const int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET : origin == TSeekOrigin::soCurrent ? SEEK_CUR : SEEK_END;
    return ::lseek(fd_, offset, whence);
}

void SafeOutputFile::SetSize(int64_t newSize) {
    if (fd_ < 0 || newSize < 0 || ::ftruncate(fd_, newSize) != 0)
        throw EStreamError(FormatText("Cannot set size of file \"%s\". %s",
                                      {FormatArg(target_), FormatArg(WideSysErrorMessage(errno))}));
    if (Position() > newSize) Seek(newSize, TSeekOrigin::soBeginning);
}

void SafeOutputFile::Fail(int err) {
    Discard();
    throw EFCreateError(
        FormatText("Cannot create file \"%s\". %s", {FormatArg(target_), FormatArg(WideSysErrorMessage(err))}));
}

void SafeOutputFile::Commit(const OutputFileInfo& info) {
    if (done_) Fail(EBADF);
    std::optional<mode_t> mode;
    if (info.permissions) {
        mode = static_cast<mode_t>(*info.permissions & 0777);
    } else {
        // The file being replaced keeps its mode (an updated program stays executable); its
        // set-ID and sticky bits are not carried over to new contents.
        struct stat old;
        if (::fstatat(dirFd_, finalName_.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(old.st_mode))
            mode = old.st_mode & 0777;
    }
    if (info.readOnly) {
        struct stat cur;
        if (!mode && ::fstat(fd_, &cur) == 0) mode = cur.st_mode & 0777;
        if (mode) *mode &= static_cast<mode_t>(~(S_IWUSR | S_IWGRP | S_IWOTH));
    }
    if (mode && ::fchmod(fd_, *mode) != 0) Fail(errno);
    if (info.dosDateTime) {
        const auto t = DosDateTime::Unpack(static_cast<std::uint16_t>(static_cast<std::uint32_t>(*info.dosDateTime) >> 16),
                                           static_cast<std::uint16_t>(*info.dosDateTime & 0xFFFF));
        std::tm tm{};
        tm.tm_year = t.year - 1900;
        tm.tm_mon = t.month - 1;
        tm.tm_mday = t.day;
        tm.tm_hour = t.hour;
        tm.tm_min = t.minute;
        tm.tm_sec = t.second;
        tm.tm_isdst = -1;  // DOS times are local times
        const std::time_t when = std::mktime(&tm);
        if (when != static_cast<std::time_t>(-1)) {
            const timespec times[2] = {{when, 0}, {when, 0}};
            if (::futimens(fd_, times) != 0) Fail(errno);
        }
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {  // a delayed write error shows here
        const int err = errno;
        ::unlinkat(dirFd_, tempName_.c_str(), 0);
        done_ = true;
        Fail(err);
    }
    // One step: the target is either the old file or the new one, never a half-written one.
    if (::renameat(dirFd_, tempName_.c_str(), dirFd_, finalName_.c_str()) != 0) {
        const int err = errno;
        ::unlinkat(dirFd_, tempName_.c_str(), 0);
        done_ = true;
        Fail(err);
    }
    done_ = true;
    listing_->Add(finalName_);
}

void SafeOutputFile::Discard() noexcept {
    if (done_) return;
    done_ = true;
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    ::unlinkat(dirFd_, tempName_.c_str(), 0);
}

}  // namespace ziplib
