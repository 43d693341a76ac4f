#include "ListFileCache.h"

#include "platform/FileError.h"
#include "platform/TextFile.h"
#include "platform/Unicode.h"

namespace fs = std::filesystem;

namespace viewer {

std::shared_ptr<const ListFileCache::Lists> ListFileCache::Load(const fs::path& file, bool folded) {
    const std::string key = file.string();
    const platform::FileStamp now = platform::FileStamp::Of(file);
    if (!now.exists) {
        entries_.erase(key);
        throw platform::FileError::Open(file, now.error);
    }
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
    entry.settled = !now.IsRecent(settleNs_);
    entry.lists = std::move(lists);
    return entry.lists;
}

}  // namespace viewer
