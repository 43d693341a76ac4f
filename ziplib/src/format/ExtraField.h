// Extra fields: a 2-byte ID, a 2-byte data size and the data. An item keeps every field it
// was read with, each with its own copy of the data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace ziplib {

class ByteWriter;

inline constexpr std::size_t kExtraFieldHeaderSize = 4;
inline constexpr std::size_t kMaxExtraData = 0xFFFF;

struct ExtraField {
    std::uint16_t id = 0;
    std::vector<std::uint8_t> data;

    // The size field as written; meaningful for data of at most kMaxExtraData bytes, the only
    // kind the writers accept.
    std::uint16_t DataSize() const noexcept { return static_cast<std::uint16_t>(data.size()); }
    bool operator==(const ExtraField&) const = default;
};

// Splits an extra field area into its fields without reading outside it: a field whose data
// size runs past the area is cut to what the area holds, and fewer than 4 bytes left (no room
// for a header) end the scan.
std::vector<ExtraField> ParseExtraFields(std::span<const std::uint8_t> area);

// Bytes the fields take when written: header and data of each.
std::size_t ExtraFieldsLength(std::span<const ExtraField> fields) noexcept;

// Writes header and data; false, and nothing written, when the data is too long for its
// 16-bit size.
bool WriteExtraField(ByteWriter& out, const ExtraField& field);
// Writes every field in order; false, and nothing written, when one of them can't be.
bool WriteExtraFields(ByteWriter& out, std::span<const ExtraField> fields);

}  // namespace ziplib
