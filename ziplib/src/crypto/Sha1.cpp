#include "crypto/Sha1.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "cpu/KernelChoice.h"
#include "crypto/Sha1Kernels.h"

namespace ziplib {
namespace detail {
namespace {

constexpr std::uint32_t kInit[5] = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u, 0xC3D2E1F0u};

inline std::uint32_t LoadBe32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

inline void StoreBe32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 24);
    p[1] = static_cast<std::uint8_t>(v >> 16);
    p[2] = static_cast<std::uint8_t>(v >> 8);
    p[3] = static_cast<std::uint8_t>(v);
}

// One block given as its sixteen message words; `w` is used as the schedule and overwritten.
void CompressWords(std::uint32_t state[5], std::uint32_t w[16]) {
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
    for (int i = 0; i < 80; ++i) {
        std::uint32_t wi;
        if (i < 16) {
            wi = w[i];
        } else {
            wi = std::rotl(w[(i + 13) & 15] ^ w[(i + 8) & 15] ^ w[(i + 2) & 15] ^ w[i & 15], 1);
            w[i & 15] = wi;
        }
        std::uint32_t f, k;
        if (i < 20) {
            f = (b & c) | (~b & d);
            k = 0x5A827999u;
        } else if (i < 40) {
            f = b ^ c ^ d;
            k = 0x6ED9EBA1u;
        } else if (i < 60) {
            f = (b & c) | (b & d) | (c & d);
            k = 0x8F1BBCDCu;
        } else {
            f = b ^ c ^ d;
            k = 0xCA62C1D6u;
        }
        const std::uint32_t t = std::rotl(a, 5) + f + e + k + wi;
        e = d;
        d = c;
        c = std::rotl(b, 30);
        b = a;
        a = t;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
}

}  // namespace

void Sha1CompressPortable(std::uint32_t state[5], const std::uint8_t* blocks, std::size_t count) {
    std::uint32_t w[16];
    for (; count > 0; --count, blocks += kSha1BlockSize) {
        for (int i = 0; i < 16; ++i) w[i] = LoadBe32(blocks + 4 * i);
        CompressWords(state, w);
    }
}

// After the 64-byte pad block, a 20-byte message fills one block: the digest, the 0x80 marker
// and the length of 84 bytes in bits.
void Sha1HmacChainPortable(const Sha1HmacPads& pads, std::uint32_t (*u)[5], std::uint32_t (*t)[5],
                           std::size_t lanes, std::uint32_t rounds) {
    for (std::size_t l = 0; l < lanes; ++l) {
        for (std::uint32_t r = 0; r < rounds; ++r) {
            std::uint32_t w[16] = {u[l][0], u[l][1], u[l][2], u[l][3], u[l][4], 0x80000000u, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                   (64 + 20) * 8};
            std::uint32_t inner[5] = {pads.inner[0], pads.inner[1], pads.inner[2], pads.inner[3], pads.inner[4]};
            CompressWords(inner, w);
            std::uint32_t w2[16] = {inner[0], inner[1], inner[2], inner[3], inner[4], 0x80000000u, 0, 0, 0, 0, 0, 0, 0, 0,
                                    0, (64 + 20) * 8};
            std::uint32_t outer[5] = {pads.outer[0], pads.outer[1], pads.outer[2], pads.outer[3], pads.outer[4]};
            CompressWords(outer, w2);
            for (int i = 0; i < 5; ++i) {
                u[l][i] = outer[i];
                t[l][i] ^= outer[i];
            }
        }
    }
}

void Sha1CompressManyPortable(std::uint32_t (*states)[5], const std::uint8_t* const* messages, std::size_t count,
                              std::size_t blocks) {
    for (std::size_t l = 0; l < count; ++l) Sha1CompressPortable(states[l], messages[l], blocks);
}

}  // namespace detail

std::span<const Sha1Implementation> Sha1Implementations() {
    static const Sha1Implementation kAll[] = {
        {"portable", &detail::Sha1CompressPortable, &detail::Sha1HmacChainPortable, true},
#if defined(__x86_64__)
        {"sha-ni", &detail::Sha1CompressShaNi, &detail::Sha1HmacChainShaNi, detail::CpuHasShaNi()},
#endif
    };
    return kAll;
}

const Sha1Implementation& ChooseSha1Implementation() {
    return detail::ChooseKernel(Sha1Implementations(), detail::CryptoPortableForced());
}

const Sha1Implementation& ActiveSha1Implementation() {
    static const Sha1Implementation& chosen = ChooseSha1Implementation();
    return chosen;
}

// By how many messages' worth of hashing they finish in a given time: eight AVX2 lanes outrun
// the SHA extensions' four where both were measured, and sixteen AVX-512 lanes outrun both.
std::span<const Sha1MultiImplementation> Sha1MultiImplementations() {
    static const Sha1MultiImplementation kAll[] = {
        {"portable", 1, &detail::Sha1CompressManyPortable, &detail::Sha1HmacChainPortable, true},
#if defined(__x86_64__)
        {"sha-ni", 4, &detail::Sha1CompressManyShaNi, &detail::Sha1HmacChainShaNi, detail::CpuHasShaNi()},
        {"avx2", 8, &detail::Sha1CompressAvx2, &detail::Sha1HmacChainAvx2, detail::CpuHasAvx2()},
        {"avx512", 16, &detail::Sha1CompressAvx512, &detail::Sha1HmacChainAvx512, detail::CpuHasAvx512()},
#endif
    };
    return kAll;
}

const Sha1MultiImplementation& ChooseSha1MultiImplementation() {
    return detail::ChooseKernel(Sha1MultiImplementations(), detail::CryptoPortableForced());
}

const Sha1MultiImplementation& ActiveSha1MultiImplementation() {
    static const Sha1MultiImplementation& chosen = ChooseSha1MultiImplementation();
    return chosen;
}

void Sha1Init(Sha1Context& ctx) {
    ctx = Sha1Context{};
    std::memcpy(ctx.state, detail::kInit, sizeof ctx.state);
}

void Sha1Update(Sha1Context& ctx, const void* data, std::size_t length) {
    if (length == 0) return;
    const auto* p = static_cast<const std::uint8_t*>(data);
    // The bit count is kept in two words; byte counts beyond 2^29 carry into the high word.
    const std::uint64_t bits = ((std::uint64_t{ctx.bitsHigh} << 32) | ctx.bitsLow) + (std::uint64_t{length} << 3);
    ctx.bitsLow = static_cast<std::uint32_t>(bits);
    ctx.bitsHigh = static_cast<std::uint32_t>(bits >> 32);
    const auto compress = ActiveSha1Implementation().compress;
    if (ctx.fill > 0) {
        const std::size_t take = std::min<std::size_t>(kSha1BlockSize - ctx.fill, length);
        std::memcpy(ctx.block + ctx.fill, p, take);
        ctx.fill += static_cast<std::uint32_t>(take);
        p += take;
        length -= take;
        if (ctx.fill < kSha1BlockSize) return;
        compress(ctx.state, ctx.block, 1);
        ctx.fill = 0;
    }
    if (const std::size_t whole = length / kSha1BlockSize) {
        compress(ctx.state, p, whole);
        p += whole * kSha1BlockSize;
        length -= whole * kSha1BlockSize;
    }
    std::memcpy(ctx.block, p, length);
    ctx.fill = static_cast<std::uint32_t>(length);
}

void Sha1Final(Sha1Context& ctx, std::uint8_t* digest) {
    const auto compress = ActiveSha1Implementation().compress;
    ctx.block[ctx.fill++] = 0x80;
    if (ctx.fill > kSha1BlockSize - 8) {
        std::memset(ctx.block + ctx.fill, 0, kSha1BlockSize - ctx.fill);
        compress(ctx.state, ctx.block, 1);
        ctx.fill = 0;
    }
    std::memset(ctx.block + ctx.fill, 0, kSha1BlockSize - 8 - ctx.fill);
    detail::StoreBe32(ctx.block + 56, ctx.bitsHigh);
    detail::StoreBe32(ctx.block + 60, ctx.bitsLow);
    compress(ctx.state, ctx.block, 1);
    for (int i = 0; i < 5; ++i) detail::StoreBe32(digest + 4 * i, ctx.state[i]);
    ctx = Sha1Context{};
}

void Sha1CountBlocks(Sha1Context& ctx, std::size_t blocks) {
    const std::uint64_t bits = ((std::uint64_t{ctx.bitsHigh} << 32) | ctx.bitsLow) + (std::uint64_t{blocks} << 9);
    ctx.bitsLow = static_cast<std::uint32_t>(bits);
    ctx.bitsHigh = static_cast<std::uint32_t>(bits >> 32);
}

Sha1Digest Sha1Of(std::span<const std::uint8_t> data) {
    Sha1Context ctx;
    Sha1Init(ctx);
    Sha1Update(ctx, data.data(), data.size());
    Sha1Digest d;
    Sha1Final(ctx, d.data());
    return d;
}

}  // namespace ziplib
