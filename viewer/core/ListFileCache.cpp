#include "ListFileCache.h"

#include <sys/stat.h>

#include <cerrno>
#include <chrono>

#include "platform/FileError.h"
#include "platform/TextFile.h"
#include "platform/Unicode.h"

namespace fs = std::filesystem;

namespace viewer {
namespace {

int64_t Ns(const struct timespec& t) { return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec; }

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace

std::shared_ptr<const ListFileCache::Lists> ListFileCache::Load(const fs::path& file, bool folded) {
    const std::string key = file.string();
    struct stat st;
    if (::stat(key.c_str(), &st) != 0) {
        const int err = errno;
        entries_.erase(key);
        throw platform::FileError::Open(file, err);
    }
    const Stamp now{st.st_dev, st.st_ino, static_cast<int64_t>(st.st_size), Ns(st.st_mtim), Ns(st.st_ctim)};
    auto found = entries_.find(key);
    if (found != entries_.end() && found->second.settled && found->second.stamp == now &&
        (!folded || found->second.lists->folded.size() == found->second.lists->items.size()))
        return found->second.lists;

    auto lists = std::make_shared<Lists>();
    try {
        lists->items = platform::LoadLines(file);
    } catch (...) {
        entries_.erase(key);
        throw;
    }
    ++filesRead_;
    if (folded) {
        lists->folded.reserve(lists->items.size());
        for (const std::string& item : lists->items) lists->folded.push_back(platform::FoldCaseUtf8(item));
    }
    Entry& entry = entries_[key];
    entry.stamp = now;
    // The change time moves with every write and every change of the other times.
    entry.settled = NowNs() - now.ctimeNs >= settleNs_;
    entry.lists = std::move(lists);
    return entry.lists;
}

}  // namespace viewer
