#include "directory/TDirItem.h"

#include "format/ZipConstants.h"

namespace ziplib {

void TDirItem::SetLocalHeaderOffset(uint64_t offset, bool escape) {
    LocalHeaderOffset = offset;
    if (NeedsEscape32(offset) || escape) {
        HasZip64 = 1;
        Header.localHeaderOffset = kEscape32;
    } else {
        Header.localHeaderOffset = static_cast<uint32_t>(offset);
    }
}

void ItemSource::Set(TStream* stream, bool owns) {
    if (!stream) {
        held_.reset();
        return;
    }
    // Owned, the stream is freed even when the holder cannot be made.
    std::shared_ptr<TStream> shared = owns ? std::shared_ptr<TStream>(stream) : std::shared_ptr<TStream>(stream, [](TStream*) {});
    held_ = std::make_unique<Held>(Held{std::move(shared), owns});
}

}  // namespace ziplib
