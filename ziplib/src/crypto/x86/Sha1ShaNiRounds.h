// The rounds of SHA-1 with the SHA extensions, for the kernels that run them: four rounds per
// SHA1RNDS4, the schedule by SHA1MSG1/SHA1MSG2, any number of independent lanes side by side.
// Include only from sources built for x86-64; callers carry at least the same target attributes.
#pragma once

#include <immintrin.h>

#include <cstdint>
#include <utility>

namespace ziplib::detail::shani {

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


// A 64-byte message block as the round instructions take its words.
ZIPLIB_SHA inline void LoadBlock(const std::uint8_t* p, __m128i (&w)[4]) {
    const __m128i byteSwap = _mm_set_epi64x(0x0001020304050607LL, 0x08090A0B0C0D0E0FLL);
    for (int i = 0; i < 4; ++i) w[i] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i)), byteSwap);
}

ZIPLIB_SHA inline void StoreState(__m128i abcd, __m128i e, std::uint32_t* h) {
    alignas(16) std::uint32_t a[4], x[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(a), abcd);
    _mm_store_si128(reinterpret_cast<__m128i*>(x), e);
    h[0] = a[3], h[1] = a[2], h[2] = a[1], h[3] = a[0], h[4] = x[3];
}

}  // namespace ziplib::detail::shani
