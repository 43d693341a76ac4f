#include "directory/TDirItem.h"

namespace ziplib {

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
