// The 20-byte Zip64 end of central directory locator, written between the Zip64 end record
// and the end record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "format/ZipConstants.h"

namespace ziplib {

class ByteWriter;

struct Zip64Locator {
    static constexpr std::size_t kSize = 20;

    std::uint32_t signature = kZip64LocatorSignature;
    std::uint32_t zip64EndDisk = 0;
    std::uint64_t zip64EndOffset = 0;
    std::uint32_t totalDisks = 1;

    static std::optional<Zip64Locator> Parse(std::span<const std::uint8_t> bytes) noexcept;
    void Write(ByteWriter& out) const;

    bool operator==(const Zip64Locator&) const = default;
};

}  // namespace ziplib
