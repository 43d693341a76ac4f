#include "platform/FileStamp.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace platform {
namespace {
int64_t Ns(const struct timespec& t) { return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec; }
}  // namespace

FileStamp FileStamp::Of(const std::filesystem::path& path) {
    FileStamp stamp;
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        stamp.error = errno;
        return stamp;
    }
    stamp.exists = true;
    stamp.isDirectory = S_ISDIR(st.st_mode);
    stamp.device = st.st_dev;
    stamp.inode = st.st_ino;
    stamp.size = st.st_size;
    stamp.mtimeNs = Ns(st.st_mtim);
    stamp.ctimeNs = Ns(st.st_ctim);
    return stamp;
}

bool FileStamp::IsRecent(int64_t settleNs) const {
    const int64_t now =
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    return now - std::max(mtimeNs, ctimeNs) < settleNs;
}

}  // namespace platform
