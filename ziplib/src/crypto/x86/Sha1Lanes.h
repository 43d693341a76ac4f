// SHA-1 on vectors of independent lanes: each 32-bit lane of a register holds one message's word,
// so the rounds run as written, for every lane at once. The vector type V supplies the
// operations; the includer defines ZIPLIB_SHA1_LANES_TARGET to the target attributes of V's
// instructions, and every function here is compiled with them. Include only from sources built
// for x86-64.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "crypto/Hmac.h"
#include "crypto/Sha1.h"

namespace ziplib::detail::sha1lanes {

// The rounds must melt into one straight run over registers; out of line they would pass the
// state through memory.
#define ZIPLIB_SHA1_LANES_INLINE ZIPLIB_SHA1_LANES_TARGET __attribute__((always_inline)) inline

// Round I. The five working words never move: the word a round would shift into A is written
// over E's, so role r of round I sits in register (r - I) mod 5, and after 80 rounds every role
// is back where it started.
template <class V, int I>
ZIPLIB_SHA1_LANES_INLINE void Round(typename V::R (&v)[5], typename V::R (&w)[16]) {
    using R = typename V::R;
    constexpr int s = I % 5;
    constexpr int A = (5 - s) % 5, B = (6 - s) % 5, C = (7 - s) % 5, D = (8 - s) % 5, E = (9 - s) % 5;
    R wi;
    if constexpr (I < 16) {
        wi = w[I];
    } else {
        wi = V::template Rotl<1>(V::Xor(V::Xor(w[(I + 13) & 15], w[(I + 8) & 15]), V::Xor(w[(I + 2) & 15], w[I & 15])));
        w[I & 15] = wi;
    }
    R f;
    std::uint32_t k;
    if constexpr (I < 20) {
        f = V::Choose(v[B], v[C], v[D]);
        k = 0x5A827999u;
    } else if constexpr (I < 40) {
        f = V::Parity(v[B], v[C], v[D]);
        k = 0x6ED9EBA1u;
    } else if constexpr (I < 60) {
        f = V::Majority(v[B], v[C], v[D]);
        k = 0x8F1BBCDCu;
    } else {
        f = V::Parity(v[B], v[C], v[D]);
        k = 0xCA62C1D6u;
    }
    // A's rotation last: it waits on the round just before, the rest can start earlier.
    v[E] = V::Add(V::Add(V::Add(v[E], V::Add(wi, V::Set1(k))), f), V::template Rotl<5>(v[A]));
    v[B] = V::template Rotl<30>(v[B]);
}

template <class V, int... I>
ZIPLIB_SHA1_LANES_INLINE void Rounds(typename V::R (&v)[5], typename V::R (&w)[16],
                                           std::integer_sequence<int, I...>) {
    (Round<V, I>(v, w), ...);
}

// One block of each lane's message (its words in w, overwritten) through that lane's state.
template <class V>
ZIPLIB_SHA1_LANES_INLINE void Compress(typename V::R (&h)[5], typename V::R (&w)[16]) {
    typename V::R v[5] = {h[0], h[1], h[2], h[3], h[4]};
    Rounds<V>(v, w, std::make_integer_sequence<int, 80>{});
    for (int i = 0; i < 5; ++i) h[i] = V::Add(h[i], v[i]);
}

// Five words of `count` lanes, from rows of five (a lane's state or digest) into registers.
template <class V>
ZIPLIB_SHA1_LANES_TARGET inline void LoadRows(const std::uint32_t (*rows)[5], std::size_t count,
                                              typename V::R (&r)[5]) {
    alignas(64) std::uint32_t staged[5][V::kLanes] = {};
    for (std::size_t l = 0; l < count; ++l)
        for (int i = 0; i < 5; ++i) staged[i][l] = rows[l][i];
    for (int i = 0; i < 5; ++i) r[i] = V::Load(staged[i]);
    WipeBytes(staged, sizeof staged);
}

template <class V>
ZIPLIB_SHA1_LANES_TARGET inline void StoreRows(const typename V::R (&r)[5], std::size_t count,
                                               std::uint32_t (*rows)[5]) {
    alignas(64) std::uint32_t staged[5][V::kLanes];
    for (int i = 0; i < 5; ++i) V::Store(staged[i], r[i]);
    for (std::size_t l = 0; l < count; ++l)
        for (int i = 0; i < 5; ++i) rows[l][i] = staged[i][l];
    WipeBytes(staged, sizeof staged);
}

template <class V>
ZIPLIB_SHA1_LANES_TARGET void CompressMessages(std::uint32_t (*states)[5], const std::uint8_t* const* messages,
                                               std::size_t count, std::size_t blocks) {
    for (std::size_t at = 0; at < count; at += V::kLanes) {
        const std::size_t n = std::min(V::kLanes, count - at);
        // Idle lanes hash the last message again; their states are never stored.
        const std::uint8_t* p[V::kLanes];
        for (std::size_t l = 0; l < V::kLanes; ++l) p[l] = messages[at + std::min(l, n - 1)];
        typename V::R h[5];
        LoadRows<V>(states + at, n, h);
        for (std::size_t b = 0; b < blocks; ++b) {
            typename V::R w[16];
            V::LoadBlocks(p, b * kSha1BlockSize, w);
            Compress<V>(h, w);
        }
        StoreRows<V>(h, n, states + at);
    }
}

// The block of an HMAC's second compression when its message is a 20-byte digest: the digest,
// the 0x80 marker, zeros and the length of 84 bytes in bits.
template <class V>
ZIPLIB_SHA1_LANES_INLINE void DigestBlock(const typename V::R (&d)[5], typename V::R (&w)[16]) {
    for (int i = 0; i < 5; ++i) w[i] = d[i];
    w[5] = V::Set1(0x80000000u);
    for (int i = 6; i < 15; ++i) w[i] = V::Zero();
    w[15] = V::Set1((64 + 20) * 8);
}

// One password's pads in every lane; each lane its own output block's U and T.
template <class V>
ZIPLIB_SHA1_LANES_TARGET void HmacChain(const Sha1HmacPads& pads, std::uint32_t (*u)[5], std::uint32_t (*t)[5],
                                        std::size_t lanes, std::uint32_t rounds) {
    using R = typename V::R;
    R inner[5], outer[5];
    for (int i = 0; i < 5; ++i) {
        inner[i] = V::Set1(pads.inner[i]);
        outer[i] = V::Set1(pads.outer[i]);
    }
    for (std::size_t at = 0; at < lanes; at += V::kLanes) {
        const std::size_t n = std::min(V::kLanes, lanes - at);
        R uu[5], tt[5];
        LoadRows<V>(u + at, n, uu);
        LoadRows<V>(t + at, n, tt);
        for (std::uint32_t r = 0; r < rounds; ++r) {
            R w[16];
            DigestBlock<V>(uu, w);
            R h[5] = {inner[0], inner[1], inner[2], inner[3], inner[4]};
            Compress<V>(h, w);
            DigestBlock<V>(h, w);
            for (int i = 0; i < 5; ++i) uu[i] = outer[i];
            Compress<V>(uu, w);
            for (int i = 0; i < 5; ++i) tt[i] = V::Xor(tt[i], uu[i]);
        }
        StoreRows<V>(uu, n, u + at);
        StoreRows<V>(tt, n, t + at);
    }
}

}  // namespace ziplib::detail::sha1lanes
