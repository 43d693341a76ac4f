// AES with AES-NI: eight independent blocks per pass hide the latency of each round instruction.
// Only these functions are compiled for AES-NI; the dispatcher calls them when the CPU has it.
#if defined(__x86_64__)

#include <immintrin.h>

#include "crypto/AesKernels.h"

namespace ziplib::detail {
namespace {

#define ZIPLIB_AESNI __attribute__((target("aes,sse4.1")))

constexpr int kLanes = 8;

ZIPLIB_AESNI inline __m128i Load(const std::uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
ZIPLIB_AESNI inline void Store(std::uint8_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

template <int N>
ZIPLIB_AESNI inline void EncryptLanes(const AesKey& k, __m128i (&b)[N]) {
    const __m128i k0 = Load(k.keys.enc[0]);
    for (int i = 0; i < N; ++i) b[i] = _mm_xor_si128(b[i], k0);
    for (int r = 1; r < k.rounds; ++r) {
        const __m128i kr = Load(k.keys.enc[r]);
        for (int i = 0; i < N; ++i) b[i] = _mm_aesenc_si128(b[i], kr);
    }
    const __m128i kl = Load(k.keys.enc[k.rounds]);
    for (int i = 0; i < N; ++i) b[i] = _mm_aesenclast_si128(b[i], kl);
}

template <int N>
ZIPLIB_AESNI inline void DecryptLanes(const AesKey& k, __m128i (&b)[N]) {
    const __m128i k0 = Load(k.keys.dec[0]);
    for (int i = 0; i < N; ++i) b[i] = _mm_xor_si128(b[i], k0);
    for (int r = 1; r < k.rounds; ++r) {
        const __m128i kr = Load(k.keys.dec[r]);
        for (int i = 0; i < N; ++i) b[i] = _mm_aesdec_si128(b[i], kr);
    }
    const __m128i kl = Load(k.keys.dec[k.rounds]);
    for (int i = 0; i < N; ++i) b[i] = _mm_aesdeclast_si128(b[i], kl);
}

template <bool Decrypt>
ZIPLIB_AESNI void Ecb(const AesKey& k, const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) {
    for (; blocks >= kLanes; blocks -= kLanes, in += kLanes * kAesBlockSize, out += kLanes * kAesBlockSize) {
        __m128i b[kLanes];
        for (int i = 0; i < kLanes; ++i) b[i] = Load(in + 16 * i);
        if constexpr (Decrypt) DecryptLanes(k, b);
        else EncryptLanes(k, b);
        for (int i = 0; i < kLanes; ++i) Store(out + 16 * i, b[i]);
    }
    for (; blocks > 0; --blocks, in += kAesBlockSize, out += kAesBlockSize) {
        __m128i b[1] = {Load(in)};
        if constexpr (Decrypt) DecryptLanes(k, b);
        else EncryptLanes(k, b);
        Store(out, b[0]);
    }
}

}  // namespace

ZIPLIB_AESNI void AesEncryptAesni(const AesKey& key, const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) {
    Ecb<false>(key, in, out, blocks);
}

ZIPLIB_AESNI void AesDecryptAesni(const AesKey& key, const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) {
    Ecb<true>(key, in, out, blocks);
}

// The counter sits in the low 64-bit lane, so a 64-bit add steps it and wraps it as the
// byte-wise increment over eight bytes does.
ZIPLIB_AESNI void AesCtrAesni(const AesKey& key, std::uint64_t& counter, const std::uint8_t* in, std::uint8_t* out,
                              std::size_t blocks) {
    const __m128i one = _mm_set_epi64x(0, 1);
    __m128i ctr = _mm_set_epi64x(0, static_cast<long long>(counter));
    for (; blocks >= kLanes; blocks -= kLanes, in += kLanes * kAesBlockSize, out += kLanes * kAesBlockSize) {
        __m128i b[kLanes];
        for (int i = 0; i < kLanes; ++i) b[i] = ctr = _mm_add_epi64(ctr, one);
        EncryptLanes(key, b);
        for (int i = 0; i < kLanes; ++i) Store(out + 16 * i, _mm_xor_si128(b[i], Load(in + 16 * i)));
    }
    for (; blocks > 0; --blocks, in += kAesBlockSize, out += kAesBlockSize) {
        __m128i b[1] = {ctr = _mm_add_epi64(ctr, one)};
        EncryptLanes(key, b);
        Store(out, _mm_xor_si128(b[0], Load(in)));
    }
    counter = static_cast<std::uint64_t>(_mm_cvtsi128_si64(ctr));
}

}  // namespace ziplib::detail

#endif
