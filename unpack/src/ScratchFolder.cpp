#include "ScratchFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>
#include <system_error>

#include "platform/Paths.h"
#include "platform/SafeFile.h"
#include "unpack/UnpackArchive.h"

namespace fs = std::filesystem;

namespace unpack {

ScratchFolder::ScratchFolder(const fs::path& parent, const std::string& what) {
    static std::atomic<unsigned> counter{0};
    const int parentFd = ::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    int err = parentFd < 0 ? errno : 0;
    for (int attempt = 0; !err && attempt < 100; ++attempt) {
        const std::string name =
            std::string(kScratchPrefix) + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1));
        if (::mkdirat(parentFd, name.c_str(), 0700) != 0) {
            if (errno == EEXIST) continue;
            err = errno;
            break;
        }
        const int fd = ::openat(parentFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd >= 0 && platform::TakeOwnership(parentFd, name, fd) == 0) {
            fd_ = fd;
            path_ = parent / name;
            ::close(parentFd);
            return;
        }
        if (fd >= 0) ::close(fd);  // a clean-up of another instance took it: another name
    }
    if (parentFd >= 0) ::close(parentFd);
    throw UnpackError(what + ": no scratch folder can be made in \"" + platform::PathText(parent) + "\"." +
                      (err ? std::string(" ") + std::strerror(err) : std::string()));
}

ScratchFolder::~ScratchFolder() {
    if (!keep_) RemoveTree(path_);
    if (fd_ >= 0) ::close(fd_);
}

void RemoveTree(const fs::path& folder) {
    std::error_code ec;
    // Folders the extraction made read-only would keep their entries.
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_directory(ec) && !it->is_symlink(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(folder, ec);
}

}  // namespace unpack
