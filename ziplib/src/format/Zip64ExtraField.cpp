#include "format/Zip64ExtraField.h"

#include "format/ByteReader.h"
#include "format/ByteWriter.h"
#include "format/CentralHeader.h"
#include "format/LocalHeader.h"
#include "format/ZipConstants.h"

namespace ziplib {

Zip64Escapes Zip64Escapes::Of(const CentralHeader& h) noexcept {
    return {h.uncompressedSize == kEscape32, h.compressedSize == kEscape32, h.localHeaderOffset == kEscape32,
            h.startDisk == kEscape16};
}

Zip64Escapes Zip64Escapes::Of(const LocalHeader& h) noexcept {
    return {h.uncompressedSize == kEscape32, h.compressedSize == kEscape32, false, false};
}

Zip64Escapes Zip64Escapes::ForValues(std::uint64_t uncompressedSize, std::uint64_t compressedSize,
                                     std::uint64_t localHeaderOffset, std::uint32_t startDisk) noexcept {
    return {NeedsEscape32(uncompressedSize), NeedsEscape32(compressedSize), NeedsEscape32(localHeaderOffset),
            NeedsEscape16(startDisk)};
}

Zip64ExtraField Zip64ExtraField::Parse(std::span<const std::uint8_t> data, const Zip64Escapes& escapes) noexcept {
    // The sticky flag does the work: once one value does not fit, the ones after it are not
    // taken either, so no value is read from a place that belongs to another.
    ByteReader r(data);
    Zip64ExtraField z;
    if (escapes.uncompressedSize) {
        const auto v = r.U64();
        if (r.ok()) z.uncompressedSize = v;
    }
    if (escapes.compressedSize) {
        const auto v = r.U64();
        if (r.ok()) z.compressedSize = v;
    }
    if (escapes.localHeaderOffset) {
        const auto v = r.U64();
        if (r.ok()) z.localHeaderOffset = v;
    }
    if (escapes.startDisk) {
        const auto v = r.U32();
        if (r.ok()) z.startDisk = v;
    }
    return z;
}

Zip64ExtraField Zip64ExtraField::Select(const Zip64Escapes& escapes, std::uint64_t uncompressedSize,
                                        std::uint64_t compressedSize, std::uint64_t localHeaderOffset,
                                        std::uint32_t startDisk) noexcept {
    Zip64ExtraField z;
    if (escapes.uncompressedSize) z.uncompressedSize = uncompressedSize;
    if (escapes.compressedSize) z.compressedSize = compressedSize;
    if (escapes.localHeaderOffset) z.localHeaderOffset = localHeaderOffset;
    if (escapes.startDisk) z.startDisk = startDisk;
    return z;
}

std::uint16_t Zip64ExtraField::DataSize() const noexcept {
    return static_cast<std::uint16_t>((uncompressedSize ? 8 : 0) + (compressedSize ? 8 : 0) +
                                      (localHeaderOffset ? 8 : 0) + (startDisk ? 4 : 0));
}

ExtraField Zip64ExtraField::ToExtraField() const {
    ByteWriter w;
    if (uncompressedSize) w.U64(*uncompressedSize);
    if (compressedSize) w.U64(*compressedSize);
    if (localHeaderOffset) w.U64(*localHeaderOffset);
    if (startDisk) w.U32(*startDisk);
    return {kZip64ExtraId, w.Take()};
}

void Zip64ExtraField::Write(ByteWriter& out) const {
    if (!empty()) WriteExtraField(out, ToExtraField());
}

std::size_t CentralExtraAreaLength(const Zip64ExtraField& zip64, std::span<const ExtraField> fields) noexcept {
    std::size_t total = zip64.FieldSize();
    for (const auto& f : fields)
        if (f.id != kZip64ExtraId) total += kExtraFieldHeaderSize + f.data.size();
    return total;
}

bool WriteCentralExtraArea(ByteWriter& out, const Zip64ExtraField& zip64, std::span<const ExtraField> fields) {
    // Each field is at most 4 + 0xFFFF bytes, so an area that fits 0xFFFF bytes also has
    // every field's data within its 16-bit size.
    if (CentralExtraAreaLength(zip64, fields) > kMaxExtraData) return false;
    zip64.Write(out);
    for (const auto& f : fields)
        if (f.id != kZip64ExtraId) WriteExtraField(out, f);
    return true;
}

}  // namespace ziplib
