#include "FolderIndex.h"

#include <sys/stat.h>

#include <chrono>
#include <system_error>

#include "platform/Paths.h"
#include "platform/Unicode.h"

namespace fs = std::filesystem;

namespace viewer {
namespace {

int64_t MtimeNs(const struct stat& st) {
    return static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// Folder times advance in clock ticks, so an entry made in the same tick as a listing leaves
// the time unchanged. A listing taken this soon after the folder's last change is used once
// and not kept.
constexpr int64_t kSettleNs = 2'000'000'000;

// More folders than a session visits between two changes; past it the kept listings go.
constexpr size_t kMaxListings = 256;

bool IsPlainFile(const fs::path& p) {
    struct stat st;
    return ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

const FolderIndex::Listing* FolderIndex::Current(const fs::path& folder) {
    struct stat st;
    const std::string key = folder.string();
    if (::stat(key.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        listings_.erase(key);
        return nullptr;
    }
    auto found = listings_.find(key);
    if (found != listings_.end() && found->second.device == st.st_dev && found->second.inode == st.st_ino &&
        found->second.mtimeNs == MtimeNs(st))
        return &found->second;

    Listing listing;
    listing.device = st.st_dev;
    listing.inode = st.st_ino;
    listing.mtimeNs = MtimeNs(st);
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
        std::string name = entry.path().filename().string();
        std::error_code typeEc;
        listing.exact.emplace(name, entry.is_regular_file(typeEc));
        std::string folded = platform::FoldCaseUtf8(name);
        auto [at, added] = listing.folded.emplace(std::move(folded), name);
        if (!added && name < at->second) at->second = std::move(name);
    }
    if (listings_.size() >= kMaxListings) listings_.clear();
    Listing& kept = listings_[key];
    kept = std::move(listing);
    if (NowNs() - kept.mtimeNs < kSettleNs) {
        // Too fresh to trust later: answer from it now and take the folder again next time.
        kept.mtimeNs = -1;
    }
    return &kept;
}

std::optional<fs::path> FolderIndex::FindFile(const fs::path& folder, std::string_view name) {
    if (name.empty()) return std::nullopt;
    if (name.find_first_of("/\\") != std::string_view::npos) {
        const fs::path p = platform::ResolvePath(folder.string() + "/" + std::string(name));
        if (IsPlainFile(p)) return p;
        return std::nullopt;
    }
    const Listing* listing = Current(folder);
    if (!listing) return std::nullopt;
    const std::string wanted(name);
    if (const auto exact = listing->exact.find(wanted); exact != listing->exact.end()) {
        if (exact->second) return folder / wanted;
        return std::nullopt;  // a folder of that name: the platform resolves to it too
    }
    const auto folded = listing->folded.find(platform::FoldCaseUtf8(wanted));
    if (folded == listing->folded.end()) return std::nullopt;
    const auto type = listing->exact.find(folded->second);
    if (type == listing->exact.end() || !type->second) return std::nullopt;
    return folder / folded->second;
}

}  // namespace viewer
