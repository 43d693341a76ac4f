#include "format/Zip64EndRecord.h"

#include "format/ByteReader.h"
#include "format/ByteWriter.h"

namespace ziplib {

std::optional<Zip64EndRecord> Zip64EndRecord::Parse(std::span<const std::uint8_t> bytes) noexcept {
    ByteReader r(bytes);
    Zip64EndRecord z;
    z.signature = r.U32At(0);
    z.recordSize = r.U64At(4);
    z.versionMadeBy = r.U16At(12);
    z.versionNeeded = r.U16At(14);
    z.diskNumber = r.U32At(16);
    z.directoryDisk = r.U32At(20);
    z.entriesOnDisk = r.U64At(24);
    z.totalEntries = r.U64At(32);
    z.directorySize = r.U64At(40);
    z.directoryOffset = r.U64At(48);
    if (!r.ok()) return std::nullopt;
    return z;
}

void Zip64EndRecord::Write(ByteWriter& out) const {
    const std::size_t at = out.Zeros(kSize);
    out.PutU32(at + 0, signature);
    out.PutU64(at + 4, recordSize);
    out.PutU16(at + 12, versionMadeBy);
    out.PutU16(at + 14, versionNeeded);
    out.PutU32(at + 16, diskNumber);
    out.PutU32(at + 20, directoryDisk);
    out.PutU64(at + 24, entriesOnDisk);
    out.PutU64(at + 32, totalEntries);
    out.PutU64(at + 40, directorySize);
    out.PutU64(at + 48, directoryOffset);
}

}  // namespace ziplib
