// The 56-byte Zip64 end of central directory record. Any extensible data after it is not
// read, and none is written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "format/ZipConstants.h"

namespace ziplib {

class ByteWriter;

struct Zip64EndRecord {
    static constexpr std::size_t kSize = 56;
    // The record size field counts the bytes after itself.
    static constexpr std::uint64_t kRestSize = kSize - 12;

    std::uint32_t signature = kZip64EndRecordSignature;
    std::uint64_t recordSize = kRestSize;
    std::uint16_t versionMadeBy = kVersionZip64;
    std::uint16_t versionNeeded = kVersionZip64;
    std::uint32_t diskNumber = 0;
    std::uint32_t directoryDisk = 0;
    std::uint64_t entriesOnDisk = 0;
    std::uint64_t totalEntries = 0;
    std::uint64_t directorySize = 0;
    std::uint64_t directoryOffset = 0;

    static std::optional<Zip64EndRecord> Parse(std::span<const std::uint8_t> bytes) noexcept;
    void Write(ByteWriter& out) const;

    bool operator==(const Zip64EndRecord&) const = default;
};

}  // namespace ziplib
