// SHA-1 over sixteen messages at once with AVX-512: a message in each 32-bit lane of a register,
// the rounds' logic by VPTERNLOGD and the rotations by VPROLD. Only these functions are compiled
// for AVX-512; the dispatcher calls them when the CPU and the operating system allow it.
#if defined(__x86_64__)

#include <immintrin.h>

#include "crypto/Sha1Kernels.h"

#define ZIPLIB_SHA1_LANES_TARGET __attribute__((target("avx512f,avx512bw,avx512vl")))
#include "crypto/x86/Sha1Lanes.h"

namespace ziplib::detail {
namespace {

struct Zmm {
    using R = __m512i;
    static constexpr std::size_t kLanes = 16;
    // The zero-masked forms with every lane selected: the plain ones start from an undefined
    // register, which this compiler's headers get warned about.
    static constexpr __mmask16 kAll = 0xFFFF;

    ZIPLIB_SHA1_LANES_TARGET static R Add(R a, R b) { return _mm512_add_epi32(a, b); }
    ZIPLIB_SHA1_LANES_TARGET static R Xor(R a, R b) { return _mm512_xor_si512(a, b); }
    ZIPLIB_SHA1_LANES_TARGET static R Set1(std::uint32_t x) { return _mm512_set1_epi32(static_cast<int>(x)); }
    ZIPLIB_SHA1_LANES_TARGET static R Zero() { return _mm512_setzero_si512(); }
    template <int N>
    ZIPLIB_SHA1_LANES_TARGET static R Rotl(R x) {
        return _mm512_maskz_rol_epi32(kAll, x, N);
    }
    ZIPLIB_SHA1_LANES_TARGET static R Choose(R b, R c, R d) { return _mm512_ternarylogic_epi32(b, c, d, 0xCA); }
    ZIPLIB_SHA1_LANES_TARGET static R Parity(R b, R c, R d) { return _mm512_ternarylogic_epi32(b, c, d, 0x96); }
    ZIPLIB_SHA1_LANES_TARGET static R Majority(R b, R c, R d) { return _mm512_ternarylogic_epi32(b, c, d, 0xE8); }
    ZIPLIB_SHA1_LANES_TARGET static R Load(const std::uint32_t* p) { return _mm512_load_si512(p); }
    ZIPLIB_SHA1_LANES_TARGET static void Store(std::uint32_t* p, R x) { _mm512_store_si512(p, x); }

    // Block `offset` of each lane's message, transposed so that w[i] holds word i of every lane.
    ZIPLIB_SHA1_LANES_TARGET static void LoadBlocks(const std::uint8_t* const (&p)[kLanes], std::size_t offset,
                                                    R (&w)[16]) {
        const R byteSwap = _mm512_set4_epi32(0x0C0D0E0F, 0x08090A0B, 0x04050607, 0x00010203);
        R r[16], t[16];
        for (int i = 0; i < 16; ++i) r[i] = _mm512_shuffle_epi8(_mm512_loadu_si512(p[i] + offset), byteSwap);
        // Within each 128-bit quarter: pairs of rows by word, then fours of rows by word.
        for (int i = 0; i < 16; i += 2) {
            t[i] = _mm512_maskz_unpacklo_epi32(kAll, r[i], r[i + 1]);
            t[i + 1] = _mm512_maskz_unpackhi_epi32(kAll, r[i], r[i + 1]);
        }
        for (int i = 0; i < 16; i += 4) {
            r[i] = _mm512_maskz_unpacklo_epi64(0xFF, t[i], t[i + 2]);
            r[i + 1] = _mm512_maskz_unpackhi_epi64(0xFF, t[i], t[i + 2]);
            r[i + 2] = _mm512_maskz_unpacklo_epi64(0xFF, t[i + 1], t[i + 3]);
            r[i + 3] = _mm512_maskz_unpackhi_epi64(0xFF, t[i + 1], t[i + 3]);
        }
        // r[4g + m] now holds, in quarter k, word 4k + m of rows 4g .. 4g + 3: gather the quarters.
        for (int m = 0; m < 4; ++m) {
            const R lo01 = _mm512_maskz_shuffle_i32x4(kAll, r[m], r[4 + m], 0x44), hi01 = _mm512_maskz_shuffle_i32x4(kAll, r[m], r[4 + m], 0xEE);
            const R lo23 = _mm512_maskz_shuffle_i32x4(kAll, r[8 + m], r[12 + m], 0x44),
                    hi23 = _mm512_maskz_shuffle_i32x4(kAll, r[8 + m], r[12 + m], 0xEE);
            w[m] = _mm512_maskz_shuffle_i32x4(kAll, lo01, lo23, 0x88);
            w[4 + m] = _mm512_maskz_shuffle_i32x4(kAll, lo01, lo23, 0xDD);
            w[8 + m] = _mm512_maskz_shuffle_i32x4(kAll, hi01, hi23, 0x88);
            w[12 + m] = _mm512_maskz_shuffle_i32x4(kAll, hi01, hi23, 0xDD);
        }
    }
};

}  // namespace

ZIPLIB_SHA1_LANES_TARGET void Sha1CompressAvx512(std::uint32_t (*states)[5], const std::uint8_t* const* messages,
                                                 std::size_t count, std::size_t blocks) {
    sha1lanes::CompressMessages<Zmm>(states, messages, count, blocks);
}

ZIPLIB_SHA1_LANES_TARGET void Sha1HmacChainAvx512(const Sha1HmacPads& pads, std::uint32_t (*u)[5],
                                                  std::uint32_t (*t)[5], std::size_t lanes, std::uint32_t rounds) {
    sha1lanes::HmacChain<Zmm>(pads, u, t, lanes, rounds);
}

}  // namespace ziplib::detail

#endif
