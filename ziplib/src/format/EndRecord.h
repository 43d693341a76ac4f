// The 22-byte end of central directory record (the archive comment follows it) and the
// search that finds it at the end of an archive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace ziplib {

class ByteWriter;

struct EndRecord {
    static constexpr std::size_t kSize = 22;

    std::uint32_t signature = 0;
    std::uint16_t diskNumber = 0;      // 0xFFFF: see the Zip64 locator
    std::uint16_t directoryDisk = 0;   // 0xFFFF: see the Zip64 end record
    std::uint16_t entriesOnDisk = 0;   // 0xFFFF when 65535 or more
    std::uint16_t totalEntries = 0;    // 0xFFFF when 65535 or more
    std::uint32_t directorySize = 0;   // 0xFFFFFFFF when 0xFFFFFFFF or more
    std::uint32_t directoryOffset = 0; // 0xFFFFFFFF when 0xFFFFFFFF or more
    std::uint16_t commentLength = 0;

    static std::optional<EndRecord> Parse(std::span<const std::uint8_t> bytes) noexcept;
    void Write(ByteWriter& out) const;

    bool operator==(const EndRecord&) const = default;
};

// Finds, in the last bytes of an archive (at most kEndRecordSearchWindow of them), the end
// record with `signature` whose comment ends exactly where `tail` ends; the one nearest the
// end wins. Returns its offset in `tail`. Trailing bytes after the comment make it unfindable.
std::optional<std::size_t> FindEndRecord(std::span<const std::uint8_t> tail, std::uint32_t signature) noexcept;

}  // namespace ziplib
