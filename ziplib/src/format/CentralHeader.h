// The fixed 46-byte part of a central directory file header, the image a directory item keeps;
// the name, the extra fields and the comment follow it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace ziplib {

class ByteWriter;

struct CentralHeader {
    static constexpr std::size_t kSize = 46;

    std::uint32_t signature = 0;
    std::uint16_t versionMadeBy = 0;
    std::uint16_t versionNeeded = 0;
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint16_t modTime = 0;
    std::uint16_t modDate = 0;
    std::uint32_t crc32 = 0;
    std::uint32_t compressedSize = 0;    // 0xFFFFFFFF: in the Zip64 extra field
    std::uint32_t uncompressedSize = 0;  // 0xFFFFFFFF: in the Zip64 extra field
    std::uint16_t nameLength = 0;
    std::uint16_t extraLength = 0;
    std::uint16_t commentLength = 0;
    std::uint16_t startDisk = 0;  // 0xFFFF: in the Zip64 extra field
    std::uint16_t internalAttributes = 0;
    std::uint32_t externalAttributes = 0;
    std::uint32_t localHeaderOffset = 0;  // 0xFFFFFFFF: in the Zip64 extra field

    // Reads the first 46 bytes; nullopt when there are fewer. The signature is taken as read.
    static std::optional<CentralHeader> Parse(std::span<const std::uint8_t> bytes) noexcept;
    void Write(ByteWriter& out) const;

    // Bytes of the whole entry: header, name, extra fields and comment.
    std::size_t RecordSize() const noexcept {
        return kSize + std::size_t{nameLength} + extraLength + commentLength;
    }

    bool operator==(const CentralHeader&) const = default;
};

}  // namespace ziplib
