// The Unicode path field other tools write (ID 0x7075, "up"): a version byte (1), the CRC-32 of
// the 8-bit name stored in the header, then the name in UTF-8. The CRC ties the field to the name
// it was written for, so a tool that renamed the item without knowing the field leaves a field
// that no longer counts.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace ziplib {

struct UnicodePathExtraField {
    static constexpr std::uint8_t kVersion = 1;

    std::string utf8;

    // The UTF-8 name, when the field has version 1, a name, and a CRC that matches storedName
    // (the header's name bytes as stored); nullopt otherwise, leaving the stored name in force.
    static std::optional<UnicodePathExtraField> Parse(std::span<const std::uint8_t> data,
                                                      std::span<const std::uint8_t> storedName);
};

}  // namespace ziplib
