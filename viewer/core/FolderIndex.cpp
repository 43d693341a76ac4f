#include "FolderIndex.h"

#include <sys/stat.h>

#include <system_error>

#include "platform/Paths.h"
#include "platform/Unicode.h"

namespace fs = std::filesystem;

namespace viewer {
namespace {

// More folders than a session visits between two changes; past it the kept listings go.
constexpr size_t kMaxListings = 256;

bool IsPlainFile(const fs::path& p) {
    struct stat st;
    return ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

const FolderIndex::Listing* FolderIndex::Current(const fs::path& folder) {
    const std::string key = folder.string();
    const platform::FileStamp stamp = platform::FileStamp::Of(folder);
    if (!stamp.exists || !stamp.isDirectory) {
        listings_.erase(key);
        return nullptr;
    }
    auto found = listings_.find(key);
    if (found != listings_.end() && found->second.trusted && found->second.stamp == stamp) return &found->second;

    Listing listing;
    listing.stamp = stamp;
    // An entry made in the same clock tick as a listing leaves the folder's times unchanged:
    // a listing taken that soon after a change answers now and is taken again next time.
    listing.trusted = !stamp.IsRecent();
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
