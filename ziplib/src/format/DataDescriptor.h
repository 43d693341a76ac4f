// The data descriptor that follows an item's data when flag bit 3 is set. It comes with or
// without its signature and with 32-bit or (for Zip64 items) 64-bit sizes; nothing in the
// record tells which, so the reader is told the form.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace ziplib {

class ByteWriter;

struct DataDescriptor {
    // The form with signature and 32-bit sizes, the one a recovery scan looks for.
    static constexpr std::size_t kSize = 16;

    bool hasSignature = true;
    bool zip64Sizes = false;
    std::uint32_t signature = 0;  // as read; 0 when the form has none
    std::uint32_t crc32 = 0;
    std::uint64_t compressedSize = 0;
    std::uint64_t uncompressedSize = 0;

    static constexpr std::size_t SizeOf(bool hasSignature, bool zip64Sizes) noexcept {
        return (hasSignature ? 4 : 0) + 4 + (zip64Sizes ? 16 : 8);
    }
    std::size_t RecordSize() const noexcept { return SizeOf(hasSignature, zip64Sizes); }

    static std::optional<DataDescriptor> Parse(std::span<const std::uint8_t> bytes, bool hasSignature = true,
                                               bool zip64Sizes = false) noexcept;
    // Writes the form the fields select. With 32-bit sizes a size above 0xFFFFFFFF is refused
    // (false, nothing written) rather than cut.
    bool Write(ByteWriter& out) const;

    bool operator==(const DataDescriptor&) const = default;
};

}  // namespace ziplib
