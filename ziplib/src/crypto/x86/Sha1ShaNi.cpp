// SHA-1 with the SHA extensions: four rounds per SHA1RNDS4, the schedule by SHA1MSG1/SHA1MSG2.
// The PBKDF2 loop runs its independent chains side by side, so that a core whose round
// instruction has more latency than throughput overlaps them. Only these functions are compiled for the extensions; the
// dispatcher calls them when the CPU has them.
#if defined(__x86_64__)

#include <immintrin.h>

#include "crypto/Sha1Kernels.h"
#include "crypto/x86/Sha1ShaNiRounds.h"

namespace ziplib::detail {
namespace {

using namespace shani;

// The second block of an HMAC over a 20-byte message: the digest words, the 0x80 marker, zeros
// and the length of 84 bytes in bits.
ZIPLIB_SHA inline void DigestBlock(__m128i abcd, __m128i e, __m128i (&w)[4]) {
    w[0] = abcd;
    w[1] = _mm_insert_epi32(_mm_setzero_si128(), static_cast<int>(0x80000000u), 2);
    w[1] = _mm_blend_epi16(w[1], e, 0xC0);
    w[2] = _mm_setzero_si128();
    w[3] = _mm_set_epi32(0, 0, 0, (64 + 20) * 8);
}

template <int L>
ZIPLIB_SHA void HmacChain(const Sha1HmacPads& pads, std::uint32_t (*u)[5], std::uint32_t (*t)[5],
                          std::uint32_t rounds) {
    const __m128i innerAbcd = StateAbcd(pads.inner), innerE = StateE(pads.inner);
    const __m128i outerAbcd = StateAbcd(pads.outer), outerE = StateE(pads.outer);
    __m128i uAbcd[L], uE[L], tAbcd[L], tE[L];
    for (int l = 0; l < L; ++l) {
        uAbcd[l] = StateAbcd(u[l]);
        uE[l] = StateE(u[l]);
        tAbcd[l] = StateAbcd(t[l]);
        tE[l] = StateE(t[l]);
    }
    Lanes<L> s;
    for (std::uint32_t r = 0; r < rounds; ++r) {
        for (int l = 0; l < L; ++l) {
            DigestBlock(uAbcd[l], uE[l], s.w[l]);
            s.abcd[l] = innerAbcd;
            s.e[l] = innerE;
        }
        Compress<L>(s);
        for (int l = 0; l < L; ++l) {
            DigestBlock(s.abcd[l], s.e[l], s.w[l]);
            s.abcd[l] = outerAbcd;
            s.e[l] = outerE;
        }
        Compress<L>(s);
        for (int l = 0; l < L; ++l) {
            // Only the top lane of e carries E; the others stay zero for the next block's words.
            uAbcd[l] = s.abcd[l];
            uE[l] = _mm_blend_epi16(_mm_setzero_si128(), s.e[l], 0xC0);
            tAbcd[l] = _mm_xor_si128(tAbcd[l], uAbcd[l]);
            tE[l] = _mm_xor_si128(tE[l], uE[l]);
        }
    }
    for (int l = 0; l < L; ++l) {
        StoreState(uAbcd[l], uE[l], u[l]);
        StoreState(tAbcd[l], tE[l], t[l]);
    }
}

}  // namespace

ZIPLIB_SHA void Sha1CompressShaNi(std::uint32_t state[5], const std::uint8_t* blocks, std::size_t count) {
    Lanes<1> s;
    s.abcd[0] = StateAbcd(state);
    s.e[0] = StateE(state);
    for (; count > 0; --count, blocks += kSha1BlockSize) {
        LoadBlock(blocks, s.w[0]);
        Compress<1>(s);
    }
    StoreState(s.abcd[0], s.e[0], state);
}

ZIPLIB_SHA void Sha1HmacChainShaNi(const Sha1HmacPads& pads, std::uint32_t (*u)[5], std::uint32_t (*t)[5],
                                   std::size_t lanes, std::uint32_t rounds) {
    // Four chains fill the round unit; what is left runs two or one at a time.
    while (lanes >= 4) {
        HmacChain<4>(pads, u, t, rounds);
        u += 4, t += 4, lanes -= 4;
    }
    if (lanes >= 2) {
        HmacChain<2>(pads, u, t, rounds);
        u += 2, t += 2, lanes -= 2;
    }
    if (lanes == 1) HmacChain<1>(pads, u, t, rounds);
}

void Sha1CompressManyShaNi(std::uint32_t (*states)[5], const std::uint8_t* const* messages, std::size_t count,
                           std::size_t blocks) {
    for (std::size_t l = 0; l < count; ++l) Sha1CompressShaNi(states[l], messages[l], blocks);
}

}  // namespace ziplib::detail

#endif
