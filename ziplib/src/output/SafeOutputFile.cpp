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
                               std::unique_ptr<platform::ReplacementFile> file, std::string finalName,
                               std::string itemName, std::u16string target)
    : folder_(std::move(folder)),
      dirFd_(folder_->fd),
      listing_(listing),
      file_(std::move(file)),
      finalName_(std::move(finalName)),
      itemName_(std::move(itemName)),
      target_(std::move(target)) {}

SafeOutputFile::~SafeOutputFile() { Discard(); }

int64_t SafeOutputFile::Read(void* buffer, int64_t count) {
    int64_t done = 0;
    auto* p = static_cast<char*>(buffer);
    while (file_->IsOpen() && done < count) {
        const ssize_t n = ::read(file_->fd(), p + done, static_cast<size_t>(count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    return done;
}

int64_t SafeOutputFile::Write(const void* buffer, int64_t count) {
    writeError_ = 0;
    if (count <= 0) return 0;
    if (!file_->IsOpen()) {
        writeError_ = EBADF;
        return 0;
    }
    // The errno tells the retry writer whether a short count is a full disk or a failed file.
    const size_t done = platform::WriteAll(file_->fd(), buffer, static_cast<size_t>(count), &writeError_);
    if (done == static_cast<size_t>(count)) writeError_ = 0;
    return static_cast<int64_t>(done);
}

int64_t SafeOutputFile::Seek(int64_t offset, TSeekOrigin origin) {
    if (!file_->IsOpen()) return -1;
    const int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET : origin == TSeekOrigin::soCurrent ? SEEK_CUR : SEEK_END;
    return ::lseek(file_->fd(), offset, whence);
}

void SafeOutputFile::SetSize(int64_t newSize) {
    if (!file_->IsOpen() || newSize < 0 || ::ftruncate(file_->fd(), newSize) != 0)
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
    if (!file_->IsOpen()) Fail(EBADF);
    const int fd = file_->fd();
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
        if (!mode && ::fstat(fd, &cur) == 0) mode = cur.st_mode & 0777;
        if (mode) *mode &= static_cast<mode_t>(~(S_IWUSR | S_IWGRP | S_IWOTH));
    }
    if (mode && ::fchmod(fd, *mode) != 0) Fail(errno);
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
            if (::futimens(fd, times) != 0) Fail(errno);
        }
    }
    if (const int err = file_->Commit(info.flush ? platform::Flush::Full : platform::Flush::None)) Fail(err);
    listing_->Wrote(finalName_, itemName_, target_);
}

void SafeOutputFile::Discard() noexcept { file_->Discard(); }

}  // namespace ziplib
