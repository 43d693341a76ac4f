// The Zip64 extended information field (ID 0x0001). Its data holds, in a fixed order, only the
// values whose header field is at its escape value, so the header decides what is present.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "format/ExtraField.h"

namespace ziplib {

class ByteWriter;
struct CentralHeader;
struct LocalHeader;

// Which header fields are escaped, i.e. have their value in the Zip64 field.
struct Zip64Escapes {
    bool uncompressedSize = false;
    bool compressedSize = false;
    bool localHeaderOffset = false;
    bool startDisk = false;

    // From a header as read or as about to be written: a field at 0xFFFFFFFF / 0xFFFF.
    static Zip64Escapes Of(const CentralHeader& header) noexcept;
    static Zip64Escapes Of(const LocalHeader& header) noexcept;
    // From an item's real values: what no longer fits in place (above 0xFFFFFFFE / 65534).
    static Zip64Escapes ForValues(std::uint64_t uncompressedSize, std::uint64_t compressedSize,
                                  std::uint64_t localHeaderOffset, std::uint32_t startDisk) noexcept;

    bool any() const noexcept { return uncompressedSize || compressedSize || localHeaderOffset || startDisk; }
    bool operator==(const Zip64Escapes&) const = default;
};

struct Zip64ExtraField {
    std::optional<std::uint64_t> uncompressedSize;
    std::optional<std::uint64_t> compressedSize;
    std::optional<std::uint64_t> localHeaderOffset;
    std::optional<std::uint32_t> startDisk;

    // Takes the escaped values in order. A value whose bytes are not all in the data is left
    // out, and so are the ones after it; the caller keeps the header's escape value for them.
    static Zip64ExtraField Parse(std::span<const std::uint8_t> data, const Zip64Escapes& escapes) noexcept;
    // The values `escapes` asks for, taken from the item's 64-bit values.
    static Zip64ExtraField Select(const Zip64Escapes& escapes, std::uint64_t uncompressedSize,
                                  std::uint64_t compressedSize, std::uint64_t localHeaderOffset,
                                  std::uint32_t startDisk) noexcept;

    bool empty() const noexcept { return !uncompressedSize && !compressedSize && !localHeaderOffset && !startDisk; }
    // 8 per 64-bit value and 4 for the disk number.
    std::uint16_t DataSize() const noexcept;
    // Header and data, or 0 when there is nothing to write.
    std::size_t FieldSize() const noexcept { return empty() ? 0 : kExtraFieldHeaderSize + DataSize(); }

    ExtraField ToExtraField() const;
    // Writes the whole field; nothing when empty.
    void Write(ByteWriter& out) const;

    bool operator==(const Zip64ExtraField&) const = default;
};

// The central directory's extra area: the Zip64 field computed from the item's current values
// first, then every other field the item carries. A Zip64 field the item was read with is
// never written back as read.
std::size_t CentralExtraAreaLength(const Zip64ExtraField& zip64, std::span<const ExtraField> fields) noexcept;
// False, and nothing written, when the area would not fit the header's 16-bit extra length.
bool WriteCentralExtraArea(ByteWriter& out, const Zip64ExtraField& zip64, std::span<const ExtraField> fields);

}  // namespace ziplib
