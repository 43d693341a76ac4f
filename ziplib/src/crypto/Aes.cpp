#include "crypto/Aes.h"

#include <array>
#include <bit>
#include <cstring>

#include "cpu/KernelChoice.h"
#include "crypto/AesKernels.h"

namespace ziplib {
namespace detail {
namespace {

// GF(2^8) arithmetic modulo x^8 + x^4 + x^3 + x + 1, for the tables below.
constexpr std::uint8_t XTime(std::uint8_t a) {
    return static_cast<std::uint8_t>((a << 1) ^ ((a & 0x80) ? 0x1B : 0));
}

constexpr std::uint8_t Mul(std::uint8_t a, std::uint8_t b) {
    std::uint8_t r = 0;
    for (; b; b >>= 1, a = XTime(a))
        if (b & 1) r ^= a;
    return r;
}

// The S-box from its definition, walking the field by powers of 3: p runs through 3^k and q
// through its inverse 3^-k, so q is the inverse of p; then the affine map. Cheap enough for any
// compiler's constant evaluation.
constexpr std::array<std::uint8_t, 256> kSbox = [] {
    std::array<std::uint8_t, 256> s{};
    const auto rot = [](std::uint8_t x, int n) { return static_cast<std::uint8_t>((x << n) | (x >> (8 - n))); };
    std::uint8_t p = 1, q = 1;
    do {
        p = static_cast<std::uint8_t>(p ^ (p << 1) ^ ((p & 0x80) ? 0x1B : 0));
        q = static_cast<std::uint8_t>(q ^ (q << 1));
        q = static_cast<std::uint8_t>(q ^ (q << 2));
        q = static_cast<std::uint8_t>(q ^ (q << 4));
        if (q & 0x80) q ^= 0x09;
        s[p] = static_cast<std::uint8_t>(q ^ rot(q, 1) ^ rot(q, 2) ^ rot(q, 3) ^ rot(q, 4) ^ 0x63);
    } while (p != 1);
    s[0] = 0x63;  // 0 has no inverse
    return s;
}();

constexpr std::array<std::uint8_t, 256> kInvSbox = [] {
    std::array<std::uint8_t, 256> s{};
    for (int a = 0; a < 256; ++a) s[kSbox[static_cast<std::size_t>(a)]] = static_cast<std::uint8_t>(a);
    return s;
}();

constexpr std::uint32_t Word(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
    return std::uint32_t{b0} | (std::uint32_t{b1} << 8) | (std::uint32_t{b2} << 16) | (std::uint32_t{b3} << 24);
}

// Columns are little-endian words (row 0 in the low byte). kTe[a]: what byte a in row 0 adds to
// its column through SubBytes and MixColumns; rows 1-3 are the same word rotated.
constexpr std::array<std::uint32_t, 256> kTe = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::size_t a = 0; a < 256; ++a) {
        const std::uint8_t s = kSbox[a];
        t[a] = Word(Mul(s, 2), s, s, Mul(s, 3));
    }
    return t;
}();

// The same for the inverse cipher: InvSubBytes then InvMixColumns.
constexpr std::array<std::uint32_t, 256> kTd = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::size_t a = 0; a < 256; ++a) {
        const std::uint8_t s = kInvSbox[a];
        t[a] = Word(Mul(s, 14), Mul(s, 9), Mul(s, 13), Mul(s, 11));
    }
    return t;
}();

inline std::uint32_t Load32(const std::uint8_t* p) { return Word(p[0], p[1], p[2], p[3]); }

inline void Store32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline std::uint8_t B(std::uint32_t w, int row) { return static_cast<std::uint8_t>(w >> (8 * row)); }

void EncryptBlock(const AesKey& k, const std::uint8_t* in, std::uint8_t* out) {
    std::uint32_t s[4], t[4];
    for (int c = 0; c < 4; ++c) s[c] = Load32(in + 4 * c) ^ Load32(k.keys.enc[0] + 4 * c);
    for (int r = 1; r < k.rounds; ++r) {
        for (int c = 0; c < 4; ++c)
            t[c] = kTe[B(s[c], 0)] ^ std::rotl(kTe[B(s[(c + 1) & 3], 1)], 8) ^ std::rotl(kTe[B(s[(c + 2) & 3], 2)], 16) ^
                   std::rotl(kTe[B(s[(c + 3) & 3], 3)], 24) ^ Load32(k.keys.enc[r] + 4 * c);
        std::memcpy(s, t, sizeof s);
    }
    for (int c = 0; c < 4; ++c)
        Store32(out + 4 * c, Word(kSbox[B(s[c], 0)], kSbox[B(s[(c + 1) & 3], 1)], kSbox[B(s[(c + 2) & 3], 2)],
                                  kSbox[B(s[(c + 3) & 3], 3)]) ^
                                 Load32(k.keys.enc[k.rounds] + 4 * c));
}

void DecryptBlock(const AesKey& k, const std::uint8_t* in, std::uint8_t* out) {
    std::uint32_t s[4], t[4];
    for (int c = 0; c < 4; ++c) s[c] = Load32(in + 4 * c) ^ Load32(k.keys.dec[0] + 4 * c);
    for (int r = 1; r < k.rounds; ++r) {
        for (int c = 0; c < 4; ++c)
            t[c] = kTd[B(s[c], 0)] ^ std::rotl(kTd[B(s[(c + 3) & 3], 1)], 8) ^ std::rotl(kTd[B(s[(c + 2) & 3], 2)], 16) ^
                   std::rotl(kTd[B(s[(c + 1) & 3], 3)], 24) ^ Load32(k.keys.dec[r] + 4 * c);
        std::memcpy(s, t, sizeof s);
    }
    for (int c = 0; c < 4; ++c)
        Store32(out + 4 * c, Word(kInvSbox[B(s[c], 0)], kInvSbox[B(s[(c + 3) & 3], 1)], kInvSbox[B(s[(c + 2) & 3], 2)],
                                  kInvSbox[B(s[(c + 1) & 3], 3)]) ^
                                 Load32(k.keys.dec[k.rounds] + 4 * c));
}

// InvMixColumns of one column, for the decryption round keys.
std::uint32_t InvMixColumn(std::uint32_t w) {
    const std::uint8_t a0 = B(w, 0), a1 = B(w, 1), a2 = B(w, 2), a3 = B(w, 3);
    return Word(Mul(a0, 14) ^ Mul(a1, 11) ^ Mul(a2, 13) ^ Mul(a3, 9), Mul(a0, 9) ^ Mul(a1, 14) ^ Mul(a2, 11) ^ Mul(a3, 13),
                Mul(a0, 13) ^ Mul(a1, 9) ^ Mul(a2, 14) ^ Mul(a3, 11), Mul(a0, 11) ^ Mul(a1, 13) ^ Mul(a2, 9) ^ Mul(a3, 14));
}

}  // namespace

void AesEncryptPortable(const AesKey& key, const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) {
    for (; blocks > 0; --blocks, in += kAesBlockSize, out += kAesBlockSize) EncryptBlock(key, in, out);
}

void AesDecryptPortable(const AesKey& key, const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) {
    for (; blocks > 0; --blocks, in += kAesBlockSize, out += kAesBlockSize) DecryptBlock(key, in, out);
}

void AesCtrPortable(const AesKey& key, std::uint64_t& counter, const std::uint8_t* in, std::uint8_t* out,
                    std::size_t blocks) {
    std::uint8_t block[kAesBlockSize] = {};
    for (; blocks > 0; --blocks, in += kAesBlockSize, out += kAesBlockSize) {
        ++counter;
        for (int i = 0; i < 8; ++i) block[i] = static_cast<std::uint8_t>(counter >> (8 * i));
        std::memset(block + 8, 0, 8);
        EncryptBlock(key, block, block);
        for (std::size_t i = 0; i < kAesBlockSize; ++i) out[i] = in[i] ^ block[i];
    }
}

}  // namespace detail

void AesExpandKey(AesKey& out, const std::uint8_t* key, std::size_t length) {
    if (length > kAesMaxKeySize) length = kAesMaxKeySize;
    std::uint8_t padded[kAesMaxKeySize] = {};
    if (length > 0) std::memcpy(padded, key, length);
    out.rounds = length <= 16 ? 10 : length <= 24 ? 12 : 14;
    const int nk = out.rounds - 6;
    const int words = 4 * (out.rounds + 1);
    std::uint32_t w[60];
    for (int i = 0; i < nk; ++i) w[i] = detail::Load32(padded + 4 * i);
    std::uint8_t rcon = 1;
    for (int i = nk; i < words; ++i) {
        std::uint32_t t = w[i - 1];
        const auto sub = [](std::uint32_t x) {
            return detail::Word(detail::kSbox[detail::B(x, 0)], detail::kSbox[detail::B(x, 1)],
                                detail::kSbox[detail::B(x, 2)], detail::kSbox[detail::B(x, 3)]);
        };
        if (i % nk == 0) {
            t = sub(std::rotr(t, 8)) ^ rcon;
            rcon = detail::XTime(rcon);
        } else if (nk > 6 && i % nk == 4) {
            t = sub(t);
        }
        w[i] = w[i - nk] ^ t;
    }
    std::memset(&out.keys, 0, sizeof out.keys);
    for (int i = 0; i < words; ++i) detail::Store32(out.keys.enc[i / 4] + 4 * (i % 4), w[i]);
    // The equivalent inverse cipher runs the round keys backwards, the inner ones through
    // InvMixColumns, so decryption has the same shape as encryption.
    for (int r = 0; r <= out.rounds; ++r)
        for (int c = 0; c < 4; ++c) {
            const std::uint32_t k = w[4 * (out.rounds - r) + c];
            detail::Store32(out.keys.dec[r] + 4 * c, r == 0 || r == out.rounds ? k : detail::InvMixColumn(k));
        }
    std::memset(padded, 0, sizeof padded);
    std::memset(w, 0, sizeof w);
    __asm__ __volatile__("" : : "r"(padded), "r"(w) : "memory");
}

std::span<const AesImplementation> AesImplementations() {
    static const AesImplementation kAll[] = {
        {"portable", &detail::AesEncryptPortable, &detail::AesDecryptPortable, &detail::AesCtrPortable, true},
#if defined(__x86_64__)
        {"aes-ni", &detail::AesEncryptAesni, &detail::AesDecryptAesni, &detail::AesCtrAesni, detail::CpuHasAesni()},
        {"vaes-avx512", &detail::AesEncryptAesni, &detail::AesDecryptAesni, &detail::AesCtrVaes512,
         detail::CpuHasVaes512()},
#endif
    };
    return kAll;
}

const AesImplementation& ChooseAesImplementation() {
    return detail::ChooseKernel(AesImplementations(), detail::CryptoPortableForced());
}

const AesImplementation& ActiveAesImplementation() {
    static const AesImplementation& chosen = ChooseAesImplementation();
    return chosen;
}

}  // namespace ziplib
