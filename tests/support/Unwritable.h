// A folder that nobody may write into, for a test's scope: without write permission, or with
// the immutable flag for root, who is not held back by permissions.
#pragma once

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

namespace testsupport {

// ok() is false when this machine cannot make one.
class Unwritable {
public:
    explicit Unwritable(const std::filesystem::path& dir) : dir_(dir) {
        if (::geteuid() != 0) {
            ok_ = ::chmod(dir.c_str(), 0555) == 0;
            return;
        }
        fd_ = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
        int flags = 0;
        ok_ = fd_ >= 0 && ::ioctl(fd_, FS_IOC_GETFLAGS, &flags) == 0 &&
              (flags |= FS_IMMUTABLE_FL, ::ioctl(fd_, FS_IOC_SETFLAGS, &flags) == 0);
    }
    ~Unwritable() {
        if (fd_ >= 0) {
            int flags = 0;
            if (::ioctl(fd_, FS_IOC_GETFLAGS, &flags) == 0) {
                flags &= ~FS_IMMUTABLE_FL;
                ::ioctl(fd_, FS_IOC_SETFLAGS, &flags);
            }
            ::close(fd_);
        } else {
            ::chmod(dir_.c_str(), 0755);
        }
    }
    bool ok() const { return ok_; }

private:
    std::filesystem::path dir_;
    int fd_ = -1;
    bool ok_ = false;
};

}  // namespace testsupport
