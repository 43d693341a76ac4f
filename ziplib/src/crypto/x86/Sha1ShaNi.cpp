// SHA-1 with the SHA extensions: four rounds per SHA1RNDS4, the schedule by SHA1MSG1/SHA1MSG2.
// The PBKDF2 loop runs several independent chains side by side, because one chain waits on the
// latency of each round instruction. Only these functions are compiled for the extensions; the
// dispatcher calls them when the CPU has them.
#if defined(__x86_64__)

#include <immintrin.h>

#include <utility>

#include "crypto/Sha1Kernels.h"

namespace ziplib::detail {
namespace {

#define ZIPLIB_SHA __attribute__((target("sha,sse4.1,ssse3")))

// State as the round instructions hold it: A in the top lane of abcd, E in the top lane of e.
// Message words likewise: the first word of each group of four in the top lane.
template <int L>
struct Lanes {
    __m128i abcd[L];
    __m128i e[L];
    __m128i w[L][4];
};

// Rounds 4I .. 4I+3, and the schedule steps that the next three groups need from word group I.
template <int I, int L>
ZIPLIB_SHA inline void Group(Lanes<L>& s) {
    for (int l = 0; l < L; ++l) {
        const __m128i ein = I == 0 ? _mm_add_epi32(s.e[l], s.w[l][0]) : _mm_sha1nexte_epu32(s.e[l], s.w[l][I % 4]);
        s.e[l] = s.abcd[l];
        s.abcd[l] = _mm_sha1rnds4_epu32(s.abcd[l], ein, I / 5);
        if constexpr (I + 1 >= 4 && I + 1 < 20) s.w[l][(I + 1) % 4] = _mm_sha1msg2_epu32(s.w[l][(I + 1) % 4], s.w[l][I % 4]);
        if constexpr (I + 2 >= 4 && I + 2 < 20) s.w[l][(I + 2) % 4] = _mm_xor_si128(s.w[l][(I + 2) % 4], s.w[l][I % 4]);
        if constexpr (I + 3 >= 4 && I + 3 < 20) s.w[l][(I + 3) % 4] = _mm_sha1msg1_epu32(s.w[l][(I + 3) % 4], s.w[l][I % 4]);
    }
}

template <int L, int... I>
ZIPLIB_SHA inline void AllGroups(Lanes<L>& s, std::integer_sequence<int, I...>) {
    (Group<I, L>(s), ...);
}

// One block through each lane's state.
template <int L>
ZIPLIB_SHA inline void Compress(Lanes<L>& s) {
    __m128i abcd0[L], e0[L];
    for (int l = 0; l < L; ++l) {
        abcd0[l] = s.abcd[l];
        e0[l] = s.e[l];
    }
    AllGroups<L>(s, std::make_integer_sequence<int, 20>{});
    for (int l = 0; l < L; ++l) {
        s.e[l] = _mm_sha1nexte_epu32(s.e[l], e0[l]);
        s.abcd[l] = _mm_add_epi32(s.abcd[l], abcd0[l]);
    }
}

ZIPLIB_SHA inline __m128i StateAbcd(const std::uint32_t* h) {
    return _mm_set_epi32(static_cast<int>(h[0]), static_cast<int>(h[1]), static_cast<int>(h[2]), static_cast<int>(h[3]));
}

ZIPLIB_SHA inline __m128i StateE(const std::uint32_t* h) { return _mm_set_epi32(static_cast<int>(h[4]), 0, 0, 0); }

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
        alignas(16) std::uint32_t a[4], e[4], ta[4], te[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(a), uAbcd[l]);
        _mm_store_si128(reinterpret_cast<__m128i*>(e), uE[l]);
        _mm_store_si128(reinterpret_cast<__m128i*>(ta), tAbcd[l]);
        _mm_store_si128(reinterpret_cast<__m128i*>(te), tE[l]);
        u[l][0] = a[3], u[l][1] = a[2], u[l][2] = a[1], u[l][3] = a[0], u[l][4] = e[3];
        t[l][0] = ta[3], t[l][1] = ta[2], t[l][2] = ta[1], t[l][3] = ta[0], t[l][4] = te[3];
    }
}

}  // namespace

ZIPLIB_SHA void Sha1CompressShaNi(std::uint32_t state[5], const std::uint8_t* blocks, std::size_t count) {
    const __m128i byteSwap = _mm_set_epi64x(0x0001020304050607LL, 0x08090A0B0C0D0E0FLL);
    Lanes<1> s;
    s.abcd[0] = StateAbcd(state);
    s.e[0] = StateE(state);
    for (; count > 0; --count, blocks += kSha1BlockSize) {
        for (int i = 0; i < 4; ++i)
            s.w[0][i] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(blocks + 16 * i)), byteSwap);
        Compress<1>(s);
    }
    alignas(16) std::uint32_t a[4], e[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(a), s.abcd[0]);
    _mm_store_si128(reinterpret_cast<__m128i*>(e), s.e[0]);
    state[0] = a[3], state[1] = a[2], state[2] = a[1], state[3] = a[0], state[4] = e[3];
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

}  // namespace ziplib::detail

#endif
