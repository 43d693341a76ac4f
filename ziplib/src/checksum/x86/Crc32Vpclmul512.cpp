// CRC-32 by carry-less multiplication on 512-bit registers: four of them fold 256 bytes per step,
// each register holding four 128-bit lanes. Only these functions are compiled for AVX-512 with
// VPCLMULQDQ; the dispatcher calls them when the CPU and the OS allow it.
#if defined(__x86_64__)

#include <immintrin.h>

#include "checksum/Crc32Kernels.h"
#include "checksum/x86/Crc32FoldConstants.h"
#include "checksum/x86/Crc32Lane.h"

namespace ziplib::detail {

namespace {

#define ZIPLIB_VPCLMUL512 __attribute__((target("avx512f,avx512vl,vpclmulqdq,pclmul,sse4.1")))

ZIPLIB_VPCLMUL512 inline __m512i Multipliers(FoldPair f) {
    const auto lo = static_cast<long long>(f.low), hi = static_cast<long long>(f.high);
    return _mm512_set_epi64(hi, lo, hi, lo, hi, lo, hi, lo);
}

ZIPLIB_VPCLMUL512 inline __m512i Fold(__m512i x, __m512i onto, __m512i k) {
    const __m512i lo = _mm512_clmulepi64_epi128(x, k, 0x00);
    const __m512i hi = _mm512_clmulepi64_epi128(x, k, 0x11);
    return _mm512_ternarylogic_epi64(lo, hi, onto, 0x96);  // three-way xor
}

ZIPLIB_VPCLMUL512 inline __m128i Fold(__m128i x, __m128i onto, FoldPair f) {
    const __m128i k = _mm_set_epi64x(static_cast<long long>(f.high), static_cast<long long>(f.low));
    const __m128i lo = _mm_clmulepi64_si128(x, k, 0x00);
    const __m128i hi = _mm_clmulepi64_si128(x, k, 0x11);
    return _mm_ternarylogic_epi64(lo, hi, onto, 0x96);
}

ZIPLIB_VPCLMUL512 inline __m512i Load(const std::uint8_t* p) { return _mm512_loadu_si512(p); }

// The zero-masking form: the plain one trips a false "uninitialised" warning in GCC's headers.
template <int I>
ZIPLIB_VPCLMUL512 inline __m128i Lane(__m512i z) {
    return _mm512_maskz_extracti32x4_epi32(0xF, z, I);
}

}  // namespace

ZIPLIB_VPCLMUL512 std::uint32_t Crc32Vpclmul512(std::uint32_t crc, const std::uint8_t* p, std::size_t n) {
    if (n < 256) return Crc32Pclmul(crc, p, n);
    const __m512i first = _mm512_inserti32x4(_mm512_setzero_si512(), _mm_cvtsi32_si128(static_cast<int>(crc)), 0);
    __m512i z0 = _mm512_xor_si512(Load(p), first);
    __m512i z1 = Load(p + 64), z2 = Load(p + 128), z3 = Load(p + 192);
    p += 256;
    n -= 256;
    const __m512i k2048 = Multipliers(FoldBy(2048));
    while (n >= 256) {
        z0 = Fold(z0, Load(p), k2048);
        z1 = Fold(z1, Load(p + 64), k2048);
        z2 = Fold(z2, Load(p + 128), k2048);
        z3 = Fold(z3, Load(p + 192), k2048);
        p += 256;
        n -= 256;
    }
    const __m512i k512 = Multipliers(FoldBy(512));
    z1 = Fold(z0, z1, k512);
    z2 = Fold(z1, z2, k512);
    z3 = Fold(z2, z3, k512);
    while (n >= 64) {
        z3 = Fold(z3, Load(p), k512);
        p += 64;
        n -= 64;
    }
    // Lane i of the register lies 16 * (3 - i) bytes before lane 3.
    __m128i x = Lane<3>(z3);
    x = Fold(Lane<2>(z3), x, FoldBy(128));
    x = Fold(Lane<1>(z3), x, FoldBy(256));
    x = Fold(Lane<0>(z3), x, FoldBy(384));
    return FinishFromLane(x, p, n);
}

}  // namespace ziplib::detail

#endif
