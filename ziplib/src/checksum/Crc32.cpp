#include "ziplib/Crc32.h"

#include <array>
#include <bit>
#include <cstdlib>
#include <cstring>

#include "checksum/Crc32Kernels.h"
#include "cpu/KernelChoice.h"

namespace ziplib {
namespace detail {
namespace {

// kSlices[k][n]: the register after byte n followed by k zero bytes, so sixteen bytes at a time are
// sixteen independent look-ups.
constexpr std::array<std::array<std::uint32_t, 256>, 16> kSlices = [] {
    std::array<std::array<std::uint32_t, 256>, 16> t{};
    t[0] = kCrc32Table;
    for (std::size_t k = 1; k < 16; ++k)
        for (std::size_t n = 0; n < 256; ++n) t[k][n] = (t[k - 1][n] >> 8) ^ kCrc32Table[t[k - 1][n] & 0xFF];
    return t;
}();

inline std::uint32_t LoadLe32(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

}  // namespace

std::uint32_t Crc32Portable(std::uint32_t crc, const std::uint8_t* p, std::size_t n) {
    if constexpr (std::endian::native == std::endian::little) {
        const auto& t = kSlices;
        while (n >= 16) {
            const std::uint32_t a = LoadLe32(p) ^ crc;
            const std::uint32_t b = LoadLe32(p + 4);
            const std::uint32_t c = LoadLe32(p + 8);
            const std::uint32_t d = LoadLe32(p + 12);
            crc = t[15][a & 0xFF] ^ t[14][(a >> 8) & 0xFF] ^ t[13][(a >> 16) & 0xFF] ^ t[12][a >> 24] ^
                  t[11][b & 0xFF] ^ t[10][(b >> 8) & 0xFF] ^ t[9][(b >> 16) & 0xFF] ^ t[8][b >> 24] ^
                  t[7][c & 0xFF] ^ t[6][(c >> 8) & 0xFF] ^ t[5][(c >> 16) & 0xFF] ^ t[4][c >> 24] ^
                  t[3][d & 0xFF] ^ t[2][(d >> 8) & 0xFF] ^ t[1][(d >> 16) & 0xFF] ^ t[0][d >> 24];
            p += 16;
            n -= 16;
        }
    }
    while (n--) crc = Crc32Step(crc, *p++);
    return crc;
}

}  // namespace detail

namespace {

bool PortableForced() {
    const char* v = std::getenv("ZIPLIB_FORCE_PORTABLE_CRC");
    return v && *v && std::strcmp(v, "0") != 0;
}

}  // namespace

std::span<const Crc32Implementation> Crc32Implementations() {
    static const Crc32Implementation kAll[] = {
        {"portable", &detail::Crc32Portable, true},
#if defined(__x86_64__)
        {"pclmul", &detail::Crc32Pclmul, detail::CpuHasPclmul()},
        {"vpclmul-avx512", &detail::Crc32Vpclmul512, detail::CpuHasVpclmul512()},
#endif
    };
    return kAll;
}

const Crc32Implementation& ChooseCrc32Implementation() {
    return detail::ChooseKernel(Crc32Implementations(), PortableForced());
}

const Crc32Implementation& ActiveCrc32Implementation() {
    static const Crc32Implementation& chosen = ChooseCrc32Implementation();
    return chosen;
}

void UpdateCRC32(const void* buffer, std::int64_t length, std::uint32_t& crc) {
    if (!buffer || length < 1) return;
    static const Crc32Kernel kernel = ActiveCrc32Implementation().update;
    crc = kernel(crc, static_cast<const std::uint8_t*>(buffer), static_cast<std::size_t>(length));
}

}  // namespace ziplib
