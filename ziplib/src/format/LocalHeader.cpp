#include "format/LocalHeader.h"

#include "format/ByteReader.h"
#include "format/ByteWriter.h"

namespace ziplib {

std::optional<LocalHeader> LocalHeader::Parse(std::span<const std::uint8_t> bytes) noexcept {
    ByteReader r(bytes);
    LocalHeader h;
    h.signature = r.U32At(0);
    h.versionNeeded = r.U16At(4);
    h.flags = r.U16At(6);
    h.method = r.U16At(8);
    h.modTime = r.U16At(10);
    h.modDate = r.U16At(12);
    h.crc32 = r.U32At(14);
    h.compressedSize = r.U32At(18);
    h.uncompressedSize = r.U32At(22);
    h.nameLength = r.U16At(26);
    h.extraLength = r.U16At(28);
    if (!r.ok()) return std::nullopt;
    return h;
}

void LocalHeader::Write(ByteWriter& out) const {
    const std::size_t at = out.Zeros(kSize);
    out.PutU32(at + 0, signature);
    out.PutU16(at + 4, versionNeeded);
    out.PutU16(at + 6, flags);
    out.PutU16(at + 8, method);
    out.PutU16(at + 10, modTime);
    out.PutU16(at + 12, modDate);
    out.PutU32(at + 14, crc32);
    out.PutU32(at + 18, compressedSize);
    out.PutU32(at + 22, uncompressedSize);
    out.PutU16(at + 26, nameLength);
    out.PutU16(at + 28, extraLength);
}

}  // namespace ziplib
