// The one-pass decryption kernel with VAES and the SHA extensions, a kilobyte at a time: the
// SHA-1 rounds over the ciphertext, then its decryption on 512-bit registers, then the upper
// register halves cleared. The SHA instructions exist only in the legacy encoding, which costs
// dearly while any upper half is dirty, so no 512-bit value lives across them; within the loop
// the core still runs the keystream of one kilobyte beside the hashing of the next.
#if defined(__x86_64__)

#include <immintrin.h>

#include "crypto/AesCtrSha1.h"
#include "crypto/x86/Sha1ShaNiRounds.h"

namespace ziplib::detail {

#define ZIPLIB_VAES_SHA __attribute__((target("vaes,avx512f,aes,sha,sse4.1,ssse3")))

namespace {

constexpr std::size_t kBlocksPerPass = 16;  // 64-byte blocks

ZIPLIB_VAES_SHA inline __m512i Broadcast(__m128i x) {
    return _mm512_mask_broadcast_i32x4(_mm512_setzero_si512(), 0xFFFF, x);
}

ZIPLIB_VAES_SHA inline __m512i RoundKey(const AesKey& key, int r) {
    return Broadcast(_mm_loadu_si128(reinterpret_cast<const __m128i*>(key.keys.enc[r])));
}

// Counter mode over `regs` registers of four blocks each, round keys from memory.
ZIPLIB_VAES_SHA inline void Keystream(const AesKey& key, std::uint64_t counter, const std::uint8_t* in,
                                      std::uint8_t* out, int regs) {
    const __m512i step = _mm512_set_epi64(0, 4, 0, 4, 0, 4, 0, 4);
    __m512i ctr = _mm512_add_epi64(Broadcast(_mm_set_epi64x(0, static_cast<long long>(counter))),
                                   _mm512_set_epi64(0, 4, 0, 3, 0, 2, 0, 1));
    __m512i b[kBlocksPerPass];
    for (int i = 0; i < regs; ++i) {
        b[i] = ctr;
        ctr = _mm512_add_epi64(ctr, step);
    }
    const __m512i k0 = RoundKey(key, 0);
    for (int i = 0; i < regs; ++i) b[i] = _mm512_xor_si512(b[i], k0);
    for (int r = 1; r < key.rounds; ++r) {
        const __m512i kr = RoundKey(key, r);
        for (int i = 0; i < regs; ++i) b[i] = _mm512_aesenc_epi128(b[i], kr);
    }
    const __m512i kl = RoundKey(key, key.rounds);
    for (int i = 0; i < regs; ++i)
        _mm512_storeu_si512(out + 64 * i,
                            _mm512_xor_si512(_mm512_aesenclast_epi128(b[i], kl), _mm512_loadu_si512(in + 64 * i)));
}

}  // namespace

ZIPLIB_VAES_SHA void AesCtrSha1Vaes512(const AesKey& key, std::uint64_t& counter, std::uint32_t sha[5],
                                       const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) {
    using namespace shani;
    _mm256_zeroupper();
    Lanes<1> s;
    s.abcd[0] = StateAbcd(sha);
    s.e[0] = StateE(sha);
    while (blocks > 0) {
        const std::size_t n = blocks < kBlocksPerPass ? blocks : kBlocksPerPass;
        // Hash first: in place, the decryption overwrites the ciphertext.
        for (std::size_t i = 0; i < n; ++i) {
            LoadBlock(in + 64 * i, s.w[0]);
            Compress<1>(s);
        }
        Keystream(key, counter, in, out, static_cast<int>(n));
        _mm256_zeroupper();
        counter += 4 * n;
        in += 64 * n;
        out += 64 * n;
        blocks -= n;
    }
    StoreState(s.abcd[0], s.e[0], sha);
}

}  // namespace ziplib::detail

#endif
