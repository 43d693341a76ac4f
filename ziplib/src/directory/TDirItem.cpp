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

void TDirItem::SetSourceStream(TStream* stream, bool owns) {
    if (!stream) {
        SourceStream.reset();
        OwnsSourceStream = false;
        return;
    }
    if (owns) SourceStream.reset(stream);
    else SourceStream = std::shared_ptr<TStream>(stream, [](TStream*) {});
    OwnsSourceStream = owns;
}

}  // namespace ziplib
