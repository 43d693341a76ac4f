#include "format/CentralHeader.h"

#include "format/ByteReader.h"
#include "format/ByteWriter.h"

namespace ziplib {

std::optional<CentralHeader> CentralHeader::Parse(std::span<const std::uint8_t> bytes) noexcept {
    ByteReader r(bytes);
    CentralHeader h;
    h.signature = r.U32At(0);
    h.versionMadeBy = r.U16At(4);
    h.versionNeeded = r.U16At(6);
    h.flags = r.U16At(8);
    h.method = r.U16At(10);
    h.modTime = r.U16At(12);
    h.modDate = r.U16At(14);
    h.crc32 = r.U32At(16);
    h.compressedSize = r.U32At(20);
    h.uncompressedSize = r.U32At(24);
    h.nameLength = r.U16At(28);
    h.extraLength = r.U16At(30);
    h.commentLength = r.U16At(32);
    h.startDisk = r.U16At(34);
    h.internalAttributes = r.U16At(36);
    h.externalAttributes = r.U32At(38);
    h.localHeaderOffset = r.U32At(42);
    if (!r.ok()) return std::nullopt;
    return h;
}

void CentralHeader::Write(ByteWriter& out) const {
    const std::size_t at = out.Zeros(kSize);
    out.PutU32(at + 0, signature);
    out.PutU16(at + 4, versionMadeBy);
    out.PutU16(at + 6, versionNeeded);
    out.PutU16(at + 8, flags);
    out.PutU16(at + 10, method);
    out.PutU16(at + 12, modTime);
    out.PutU16(at + 14, modDate);
    out.PutU32(at + 16, crc32);
    out.PutU32(at + 20, compressedSize);
    out.PutU32(at + 24, uncompressedSize);
    out.PutU16(at + 28, nameLength);
    out.PutU16(at + 30, extraLength);
    out.PutU16(at + 32, commentLength);
    out.PutU16(at + 34, startDisk);
    out.PutU16(at + 36, internalAttributes);
    out.PutU32(at + 38, externalAttributes);
    out.PutU32(at + 42, localHeaderOffset);
}

}  // namespace ziplib
