#include "format/Zip64Locator.h"

#include "format/ByteReader.h"
#include "format/ByteWriter.h"

namespace ziplib {

std::optional<Zip64Locator> Zip64Locator::Parse(std::span<const std::uint8_t> bytes) noexcept {
    ByteReader r(bytes);
    Zip64Locator l;
    l.signature = r.U32At(0);
    l.zip64EndDisk = r.U32At(4);
    l.zip64EndOffset = r.U64At(8);
    l.totalDisks = r.U32At(16);
    if (!r.ok()) return std::nullopt;
    return l;
}

void Zip64Locator::Write(ByteWriter& out) const {
    const std::size_t at = out.Zeros(kSize);
    out.PutU32(at + 0, signature);
    out.PutU32(at + 4, zip64EndDisk);
    out.PutU64(at + 8, zip64EndOffset);
    out.PutU32(at + 16, totalDisks);
}

}  // namespace ziplib
