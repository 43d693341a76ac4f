// SHA-1 over eight messages at once with AVX2, for CPUs without AVX-512: a message in each
// 32-bit lane of a register. Only these functions are compiled for AVX2; the dispatcher calls
// them when the CPU and the operating system allow it.
#if defined(__x86_64__)

#include <immintrin.h>

#include "crypto/Sha1Kernels.h"

#define ZIPLIB_SHA1_LANES_TARGET __attribute__((target("avx2")))
#include "crypto/x86/Sha1Lanes.h"

namespace ziplib::detail {
namespace {

struct Ymm {
    using R = __m256i;
    static constexpr std::size_t kLanes = 8;

    ZIPLIB_SHA1_LANES_TARGET static R Add(R a, R b) { return _mm256_add_epi32(a, b); }
    ZIPLIB_SHA1_LANES_TARGET static R Xor(R a, R b) { return _mm256_xor_si256(a, b); }
    ZIPLIB_SHA1_LANES_TARGET static R Set1(std::uint32_t x) { return _mm256_set1_epi32(static_cast<int>(x)); }
    ZIPLIB_SHA1_LANES_TARGET static R Zero() { return _mm256_setzero_si256(); }
    template <int N>
    ZIPLIB_SHA1_LANES_TARGET static R Rotl(R x) {
        return _mm256_or_si256(_mm256_slli_epi32(x, N), _mm256_srli_epi32(x, 32 - N));
    }
    ZIPLIB_SHA1_LANES_TARGET static R Choose(R b, R c, R d) {
        return _mm256_xor_si256(d, _mm256_and_si256(b, _mm256_xor_si256(c, d)));
    }
    ZIPLIB_SHA1_LANES_TARGET static R Parity(R b, R c, R d) { return _mm256_xor_si256(_mm256_xor_si256(b, c), d); }
    ZIPLIB_SHA1_LANES_TARGET static R Majority(R b, R c, R d) {
        return _mm256_or_si256(_mm256_and_si256(b, c), _mm256_and_si256(d, _mm256_or_si256(b, c)));
    }
    ZIPLIB_SHA1_LANES_TARGET static R Load(const std::uint32_t* p) {
        return _mm256_load_si256(reinterpret_cast<const R*>(p));
    }
    ZIPLIB_SHA1_LANES_TARGET static void Store(std::uint32_t* p, R x) { _mm256_store_si256(reinterpret_cast<R*>(p), x); }

    // Block `offset` of each lane's message, transposed so that w[i] holds word i of every lane:
    // each half of the block is an 8 by 8 transposition.
    ZIPLIB_SHA1_LANES_TARGET static void LoadBlocks(const std::uint8_t* const (&p)[kLanes], std::size_t offset,
                                                    R (&w)[16]) {
        const R byteSwap = _mm256_broadcastsi128_si256(_mm_set_epi64x(0x0C0D0E0F08090A0BLL, 0x0405060700010203LL));
        for (int half = 0; half < 2; ++half) {
            R r[8], t[8];
            for (int i = 0; i < 8; ++i)
                r[i] = _mm256_shuffle_epi8(
                    _mm256_loadu_si256(reinterpret_cast<const R*>(p[i] + offset + 32 * half)), byteSwap);
            for (int i = 0; i < 8; i += 2) {
                t[i] = _mm256_unpacklo_epi32(r[i], r[i + 1]);
                t[i + 1] = _mm256_unpackhi_epi32(r[i], r[i + 1]);
            }
            for (int i = 0; i < 8; i += 4) {
                r[i] = _mm256_unpacklo_epi64(t[i], t[i + 2]);
                r[i + 1] = _mm256_unpackhi_epi64(t[i], t[i + 2]);
                r[i + 2] = _mm256_unpacklo_epi64(t[i + 1], t[i + 3]);
                r[i + 3] = _mm256_unpackhi_epi64(t[i + 1], t[i + 3]);
            }
            // r[4g + m] holds, in half k, word 4k + m of rows 4g .. 4g + 3.
            for (int m = 0; m < 4; ++m) {
                w[8 * half + m] = _mm256_permute2x128_si256(r[m], r[4 + m], 0x20);
                w[8 * half + 4 + m] = _mm256_permute2x128_si256(r[m], r[4 + m], 0x31);
            }
        }
    }
};

}  // namespace

ZIPLIB_SHA1_LANES_TARGET void Sha1CompressAvx2(std::uint32_t (*states)[5], const std::uint8_t* const* messages,
                                               std::size_t count, std::size_t blocks) {
    sha1lanes::CompressMessages<Ymm>(states, messages, count, blocks);
}

ZIPLIB_SHA1_LANES_TARGET void Sha1HmacChainAvx2(const Sha1HmacPads& pads, std::uint32_t (*u)[5],
                                                std::uint32_t (*t)[5], std::size_t lanes, std::uint32_t rounds) {
    sha1lanes::HmacChain<Ymm>(pads, u, t, lanes, rounds);
}

}  // namespace ziplib::detail

#endif
