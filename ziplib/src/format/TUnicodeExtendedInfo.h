// The payload of the Unicode name extra field read on its own: the tag and the UTF-16 name.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace ziplib {

class TUnicodeExtendedInfo {
public:
    std::u16string Name;
    uint32_t Signature = 0;  // the first four bytes read, little-endian

    // Reads the tag into Signature; when it is "NUCX" and the count of UTF-16 units fits in
    // the data, Name := the units and the answer is true. Otherwise false, Name left alone.
    bool ReadUnicodeName(std::span<const uint8_t> data);
};

}  // namespace ziplib
