// List files read once and kept: the quick search walks every list file of the catalog on
// each keystroke, so each file is decoded once and taken again only when it changed on disk
// (device, inode, size, modification and change times). A file changed within the last
// moments may change again within the same tick of the file system's clock, unseen by its
// times; such a file is read again on every look until it has been quiet for a while.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/FileStamp.h"

namespace viewer {

class ListFileCache {
public:
    struct Lists {
        std::vector<std::string> items;   // the lines, UTF-8
        std::vector<std::string> folded;  // the same folded to lower case, when asked for
    };

    static constexpr int64_t kDefaultSettleNs = platform::FileStamp::kSettleNs;
    explicit ListFileCache(int64_t settleNs = kDefaultSettleNs) : settleNs_(settleNs) {}

    // The lines of a list file (a resolved path), with their folded forms when `folded` is
    // set. A file that cannot be read is a FileError naming it, and nothing is kept of it.
    std::shared_ptr<const Lists> Load(const std::filesystem::path& file, bool folded);

    // How many times a file was actually read, for the benchmark and the tests.
    size_t FilesRead() const { return filesRead_; }

private:
    struct Entry {
        platform::FileStamp stamp;
        bool settled = false;  // false: read again at the next look
        std::shared_ptr<const Lists> lists;
    };

    int64_t settleNs_;
    size_t filesRead_ = 0;
    std::unordered_map<std::string, Entry> entries_;
};

}  // namespace viewer
