// What tells whether a file on disk changed since it was last looked at: its identity
// (device, inode), size, and modification and change times. Caches of file contents
// compare stamps instead of reading the file again.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>

namespace platform {

struct FileStamp {
    bool exists = false;
    int error = 0;  // errno of the failed look when it does not exist
    bool isDirectory = false;
    dev_t device = 0;
    ino_t inode = 0;
    int64_t size = 0;
    int64_t mtimeNs = 0;
    int64_t ctimeNs = 0;

    // The stamp of a path (links followed); a missing path gives a stamp with exists false.
    static FileStamp Of(const std::filesystem::path& path);

    bool operator==(const FileStamp&) const = default;

    // File times advance in clock ticks, so a second change within the tick of the last one
    // leaves the stamp as it was. A stamp this recent proves nothing about later changes:
    // what was read under it is used once and not trusted again.
    static constexpr int64_t kSettleNs = 2'000'000'000;
    bool IsRecent(int64_t settleNs = kSettleNs) const;
};

}  // namespace platform
