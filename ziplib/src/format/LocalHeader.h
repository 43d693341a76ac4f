// The fixed 30-byte part of a local file header; the name and the extra fields follow it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace ziplib {

class ByteWriter;

struct LocalHeader {
    static constexpr std::size_t kSize = 30;

    std::uint32_t signature = 0;
    std::uint16_t versionNeeded = 0;
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint16_t modTime = 0;
    std::uint16_t modDate = 0;
    std::uint32_t crc32 = 0;
    std::uint32_t compressedSize = 0;
    std::uint32_t uncompressedSize = 0;
    std::uint16_t nameLength = 0;
    std::uint16_t extraLength = 0;

    // Reads the first 30 bytes; nullopt when there are fewer. The signature is taken as read,
    // the caller decides which ones it accepts.
    static std::optional<LocalHeader> Parse(std::span<const std::uint8_t> bytes) noexcept;
    void Write(ByteWriter& out) const;

    // Bytes from the header's start to its item data.
    std::size_t RecordSize() const noexcept { return kSize + nameLength + extraLength; }

    bool operator==(const LocalHeader&) const = default;
};

}  // namespace ziplib
