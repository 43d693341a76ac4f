// The Unicode file name field (ID 0x554E, "NU"): the tag "NUCX", a 32-bit count of UTF-16
// code units and the units, little-endian. When present it replaces the 8-bit name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "format/ExtraField.h"

namespace ziplib {

struct UnicodeNameExtraField {
    // Tag and count.
    static constexpr std::size_t kPrefixSize = 8;
    // The longest name whose field data still fits a 16-bit size.
    static constexpr std::size_t kMaxUnits = (kMaxExtraData - kPrefixSize) / 2;

    std::u16string name;

    // nullopt, leaving the 8-bit name in force, when the data does not start with "NUCX" or
    // its count asks for more units than the data holds.
    static std::optional<UnicodeNameExtraField> Parse(std::span<const std::uint8_t> data);
    // nullopt when the name is longer than kMaxUnits.
    std::optional<ExtraField> ToExtraField() const;

    bool operator==(const UnicodeNameExtraField&) const = default;
};

}  // namespace ziplib
