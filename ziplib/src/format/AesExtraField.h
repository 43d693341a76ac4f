// The AES encryption field (ID 0x9901): an AES item stores method 99 in its headers and its
// real compression method here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "format/ExtraField.h"
#include "format/ZipConstants.h"

namespace ziplib {

struct AesExtraField {
    static constexpr std::uint16_t kDataSize = 7;

    std::uint16_t vendorVersion = 0;  // 1 or 2
    std::uint16_t vendorId = kAesVendorId;
    std::uint8_t keyStrength = 0;  // 1 = 128-bit, 2 = 192-bit, 3 = 256-bit
    std::uint16_t method = 0;      // the real compression method

    // nullopt when the data is shorter than 7 bytes. The values are taken as read; the reader
    // decides what a strength outside 1-3 means.
    static std::optional<AesExtraField> Parse(std::span<const std::uint8_t> data) noexcept;
    ExtraField ToExtraField() const;

    bool operator==(const AesExtraField&) const = default;
};

}  // namespace ziplib
