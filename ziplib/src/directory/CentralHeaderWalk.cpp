#include "directory/CentralHeaderWalk.h"

#include <algorithm>
#include <cstring>

#include "format/ZipConstants.h"

namespace ziplib {

namespace {

// A window this large holds the largest header (46 bytes and three 64 KiB fields) whole.
constexpr uint64_t kWindow = 1 << 20;

}  // namespace

bool CentralHeaderWalk::Next(CentralEntry& entry) {
    if (!Have(CentralHeader::kSize)) return false;
    const auto header = CentralHeader::Parse(At(CentralHeader::kSize));
    if (!header || (header->signature != kCentralHeaderSignature && header->signature != kSecondCentralHeaderSignature))
        return false;
    const uint64_t record = header->RecordSize();
    if (!Have(record)) return false;
    const auto bytes = At(record);
    entry.header = *header;
    entry.name = bytes.subspan(CentralHeader::kSize, header->nameLength);
    entry.extra = bytes.subspan(CentralHeader::kSize + header->nameLength, header->extraLength);
    entry.comment = bytes.subspan(CentralHeader::kSize + header->nameLength + header->extraLength);
    offset_ += record;
    return true;
}

void CentralHeaderWalk::Restart() {
    offset_ = 0;
    failed_ = false;
    if (!stream_) return;
    windowAt_ = 0;
    window_ = {};
}

bool CentralHeaderWalk::Have(uint64_t count) {
    if (failed_ || count > size_ - offset_) return false;
    if (offset_ + count <= windowAt_ + window_.size()) return true;
    if (!stream_) return false;
    // The unread rest of the window moves to its front and the next bytes are read behind it.
    const uint64_t kept = windowAt_ + window_.size() - offset_;
    const uint64_t length = std::max(count, std::min(kWindow, size_ - offset_));
    if (buffer_.size() < length) {
        std::vector<uint8_t> grown(static_cast<size_t>(length));
        if (kept > 0) std::memcpy(grown.data(), window_.data() + (offset_ - windowAt_), static_cast<size_t>(kept));
        buffer_ = std::move(grown);
    } else if (kept > 0) {
        std::memmove(buffer_.data(), window_.data() + (offset_ - windowAt_), static_cast<size_t>(kept));
    }
    const int64_t from = start_ + static_cast<int64_t>(offset_ + kept);
    if (stream_->Seek(from, TSeekOrigin::soBeginning) != from) {
        failed_ = true;
        return false;
    }
    for (uint64_t filled = kept; filled < length;) {
        const int64_t got = stream_->Read(buffer_.data() + filled, static_cast<int64_t>(length - filled));
        if (got <= 0) {
            failed_ = true;
            return false;
        }
        filled += static_cast<uint64_t>(got);
    }
    windowAt_ = offset_;
    window_ = std::span<const uint8_t>(buffer_.data(), static_cast<size_t>(length));
    return true;
}

}  // namespace ziplib
