#include "format/EndRecord.h"

#include "format/ByteReader.h"
#include "format/ByteWriter.h"

namespace ziplib {

std::optional<EndRecord> EndRecord::Parse(std::span<const std::uint8_t> bytes) noexcept {
    ByteReader r(bytes);
    EndRecord e;
    e.signature = r.U32At(0);
    e.diskNumber = r.U16At(4);
    e.directoryDisk = r.U16At(6);
    e.entriesOnDisk = r.U16At(8);
    e.totalEntries = r.U16At(10);
    e.directorySize = r.U32At(12);
    e.directoryOffset = r.U32At(16);
    e.commentLength = r.U16At(20);
    if (!r.ok()) return std::nullopt;
    return e;
}

void EndRecord::Write(ByteWriter& out) const {
    const std::size_t at = out.Zeros(kSize);
    out.PutU32(at + 0, signature);
    out.PutU16(at + 4, diskNumber);
    out.PutU16(at + 6, directoryDisk);
    out.PutU16(at + 8, entriesOnDisk);
    out.PutU16(at + 10, totalEntries);
    out.PutU32(at + 12, directorySize);
    out.PutU32(at + 16, directoryOffset);
    out.PutU16(at + 20, commentLength);
}

std::optional<std::size_t> FindEndRecord(std::span<const std::uint8_t> tail, std::uint32_t signature) noexcept {
    if (tail.size() < EndRecord::kSize) return std::nullopt;
    ByteReader r(tail);
    // Backwards, so that a record whose comment happens to hold an end-record image is still
    // the one found: the nearest candidate to the end that accounts for every byte after it.
    for (std::size_t p = tail.size() - EndRecord::kSize + 1; p-- > 0;) {
        if (r.U32At(p) != signature) continue;
        if (r.U16At(p + 20) == tail.size() - p - EndRecord::kSize) return p;
    }
    return std::nullopt;
}

}  // namespace ziplib
