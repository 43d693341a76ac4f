// AES counter mode with VAES on 512-bit registers: four blocks a register, eight registers in
// flight. Only this function is compiled for AVX-512; the dispatcher calls it when the CPU and
// the operating system allow it.
#if defined(__x86_64__)

#include <immintrin.h>

#include "crypto/AesKernels.h"

namespace ziplib::detail {
namespace {

#define ZIPLIB_VAES __attribute__((target("vaes,avx512f,aes,sse4.1")))

constexpr int kRegs = 8;
constexpr std::size_t kBlocksPerReg = 4;

// The same 16 bytes in all four lanes (the masked broadcast, so no lane starts undefined).
ZIPLIB_VAES inline __m512i Broadcast(__m128i x) {
    return _mm512_mask_broadcast_i32x4(_mm512_setzero_si512(), 0xFFFF, x);
}

ZIPLIB_VAES inline __m512i KeyAt(const AesKey& k, int r) {
    return Broadcast(_mm_loadu_si128(reinterpret_cast<const __m128i*>(k.keys.enc[r])));
}

template <int N>
ZIPLIB_VAES inline void Encrypt(const __m512i* rk, int rounds, __m512i (&b)[N]) {
    for (int i = 0; i < N; ++i) b[i] = _mm512_xor_si512(b[i], rk[0]);
    for (int r = 1; r < rounds; ++r)
        for (int i = 0; i < N; ++i) b[i] = _mm512_aesenc_epi128(b[i], rk[r]);
    for (int i = 0; i < N; ++i) b[i] = _mm512_aesenclast_epi128(b[i], rk[rounds]);
}

}  // namespace

ZIPLIB_VAES void AesCtrVaes512(const AesKey& key, std::uint64_t& counter, const std::uint8_t* in, std::uint8_t* out,
                               std::size_t blocks) {
    if (blocks >= kBlocksPerReg) {
        __m512i rk[15];
        for (int r = 0; r <= key.rounds; ++r) rk[r] = KeyAt(key, r);
        // Lane j of a register holds counter + j + 1, the block counters of its four blocks.
        __m512i ctr = _mm512_add_epi64(Broadcast(_mm_set_epi64x(0, static_cast<long long>(counter))),
                                       _mm512_set_epi64(0, 4, 0, 3, 0, 2, 0, 1));
        const __m512i step = _mm512_set_epi64(0, 4, 0, 4, 0, 4, 0, 4);
        const std::size_t startBlocks = blocks;
        for (; blocks >= kRegs * kBlocksPerReg; blocks -= kRegs * kBlocksPerReg) {
            __m512i b[kRegs];
            for (int i = 0; i < kRegs; ++i) {
                b[i] = ctr;
                ctr = _mm512_add_epi64(ctr, step);
            }
            Encrypt(rk, key.rounds, b);
            for (int i = 0; i < kRegs; ++i) {
                _mm512_storeu_si512(out + 64 * i, _mm512_xor_si512(b[i], _mm512_loadu_si512(in + 64 * i)));
            }
            in += kRegs * 64;
            out += kRegs * 64;
        }
        for (; blocks >= kBlocksPerReg; blocks -= kBlocksPerReg) {
            __m512i b[1] = {ctr};
            ctr = _mm512_add_epi64(ctr, step);
            Encrypt(rk, key.rounds, b);
            _mm512_storeu_si512(out, _mm512_xor_si512(b[0], _mm512_loadu_si512(in)));
            in += 64;
            out += 64;
        }
        counter += startBlocks - blocks;
    }
    if (blocks > 0) AesCtrAesni(key, counter, in, out, blocks);
}

}  // namespace ziplib::detail

#endif
