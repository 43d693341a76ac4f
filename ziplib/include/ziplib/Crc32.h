// CRC-32 of ZIP items (reflected polynomial 0xEDB88320). The register update runs through the
// fastest implementation this CPU has; every implementation gives the same register.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace ziplib {

// Entry n is n taken through 8 rounds of "shift right, xor the polynomial when a 1 fell out";
// computed by the compiler, so there is no table file to trust.
inline constexpr std::array<std::uint32_t, 256> kCrc32Table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        t[n] = c;
    }
    return t;
}();

// One byte through the register (also the step of the traditional cipher's key schedule).
constexpr std::uint32_t Crc32Step(std::uint32_t crc, std::uint8_t byte) {
    return kCrc32Table[(crc ^ byte) & 0xFF] ^ (crc >> 8);
}

// Runs the register over `length` bytes. The caller starts it at 0xFFFFFFFF and complements it at
// the end; this routine does neither, so an item can be checked chunk by chunk. A null buffer or a
// length below 1 leaves the register alone.
void UpdateCRC32(const void* buffer, std::int64_t length, std::uint32_t& crc);

// One implementation of the register update: the contract of UpdateCRC32 without its argument checks.
using Crc32Kernel = std::uint32_t (*)(std::uint32_t crc, const std::uint8_t* data, std::size_t length);

struct Crc32Implementation {
    std::string_view name;
    Crc32Kernel update;
    bool supported;  // this CPU (and its operating system) can run it
};

// Every implementation built into the library, the portable one first, faster ones after it.
std::span<const Crc32Implementation> Crc32Implementations();

// The implementation UpdateCRC32 uses: chosen on first use and kept for the life of the process.
const Crc32Implementation& ActiveCrc32Implementation();

// Makes that choice afresh: the last supported implementation, or the portable one when the
// environment variable ZIPLIB_FORCE_PORTABLE_CRC is set to anything but "" or "0".
const Crc32Implementation& ChooseCrc32Implementation();

}  // namespace ziplib
