// CRC-32 by carry-less multiplication: the data is folded, 64 bytes per step, into four 128-bit
// lanes that stay congruent modulo the polynomial to everything read so far. Only these functions
// are compiled for PCLMULQDQ; the dispatcher calls them when the CPU has it.
#if defined(__x86_64__)

#include <immintrin.h>

#include "checksum/Crc32Kernels.h"
#include "checksum/x86/Crc32FoldConstants.h"
#include "checksum/x86/Crc32Lane.h"

namespace ziplib::detail {
namespace {

#define ZIPLIB_PCLMUL __attribute__((target("pclmul,sse4.1")))

ZIPLIB_PCLMUL inline __m128i Multipliers(FoldPair f) {
    return _mm_set_epi64x(static_cast<long long>(f.high), static_cast<long long>(f.low));
}

// Moves lane x forward by the distance its multipliers stand for and adds it to `onto`.
ZIPLIB_PCLMUL inline __m128i Fold(__m128i x, __m128i onto, __m128i k) {
    const __m128i lo = _mm_clmulepi64_si128(x, k, 0x00);
    const __m128i hi = _mm_clmulepi64_si128(x, k, 0x11);
    return _mm_xor_si128(_mm_xor_si128(lo, hi), onto);
}

ZIPLIB_PCLMUL inline __m128i Load(const std::uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

}  // namespace

// A lane run from a zero register gives the same register as the data it stands for, so its 16
// bytes are simply fed to the table code ahead of the short tail.
ZIPLIB_PCLMUL std::uint32_t FinishFromLane(__m128i x, const std::uint8_t* p, std::size_t n) {
    const __m128i k128 = Multipliers(FoldBy(128));
    while (n >= 16) {
        x = Fold(x, Load(p), k128);
        p += 16;
        n -= 16;
    }
    alignas(16) std::uint8_t lane[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(lane), x);
    return Crc32Portable(Crc32Portable(0, lane, 16), p, n);
}

ZIPLIB_PCLMUL std::uint32_t Crc32Pclmul(std::uint32_t crc, const std::uint8_t* p, std::size_t n) {
    if (n < 64) return Crc32Portable(crc, p, n);
    // The register enters as an xor over the first four bytes.
    __m128i x0 = _mm_xor_si128(Load(p), _mm_cvtsi32_si128(static_cast<int>(crc)));
    __m128i x1 = Load(p + 16), x2 = Load(p + 32), x3 = Load(p + 48);
    p += 64;
    n -= 64;
    const __m128i k512 = Multipliers(FoldBy(512));
    while (n >= 64) {
        x0 = Fold(x0, Load(p), k512);
        x1 = Fold(x1, Load(p + 16), k512);
        x2 = Fold(x2, Load(p + 32), k512);
        x3 = Fold(x3, Load(p + 48), k512);
        p += 64;
        n -= 64;
    }
    const __m128i k128 = Multipliers(FoldBy(128));
    x1 = Fold(x0, x1, k128);
    x2 = Fold(x1, x2, k128);
    x3 = Fold(x2, x3, k128);
    return FinishFromLane(x3, p, n);
}

}  // namespace ziplib::detail

#endif
