#include "crypto/Pbkdf2.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "crypto/Hmac.h"

namespace ziplib {
namespace {

// Output blocks of one derivation run through the SHA-1 chain this many at a time; those of
// several derivations at once as many as the multi-message kernel takes, at most kMaxLanes.
constexpr std::size_t kLanes = 8;
constexpr std::size_t kMaxLanes = 16;

void CounterBytes(std::uint32_t n, std::uint8_t* p) {
    p[0] = static_cast<std::uint8_t>(n >> 24);
    p[1] = static_cast<std::uint8_t>(n >> 16);
    p[2] = static_cast<std::uint8_t>(n >> 8);
    p[3] = static_cast<std::uint8_t>(n);
}

// U1 of block `n`: HMAC over the salt and the block's big-endian number.
void FirstU(const THmacContext& keyed, const void* salt, std::size_t saltLength, std::uint32_t n, std::uint8_t* u) {
    THmacContext c = keyed;
    std::uint8_t counter[4];
    CounterBytes(n, counter);
    HmacUpdate(c, salt, saltLength);
    HmacUpdate(c, counter, sizeof counter);
    HmacFinal(c, u);
}

bool IsSha1(const THashDescriptor& d) {
    const THashDescriptor& s = Sha1Descriptor();
    return d.Init == s.Init && d.Update == s.Update && d.Final == s.Final;
}

// Any hash: each further U is one HMAC from the keyed context.
void DeriveGeneric(const THmacContext& keyed, const void* salt, std::size_t saltLength, std::int32_t iterations,
                   std::uint8_t* output, std::size_t outputLength) {
    const std::size_t dl = keyed.descriptor->DigestLength;
    std::vector<std::uint8_t> u(dl), t(dl);
    for (std::uint32_t n = 1; outputLength > 0; ++n) {
        FirstU(keyed, salt, saltLength, n, u.data());
        t = u;
        for (std::int32_t i = 1; i < iterations; ++i) {
            THmacContext c = keyed;
            HmacUpdate(c, u.data(), dl);
            HmacFinal(c, u.data());
            for (std::size_t k = 0; k < dl; ++k) t[k] ^= u[k];
        }
        const std::size_t take = std::min(dl, outputLength);
        std::memcpy(output, t.data(), take);
        output += take;
        outputLength -= take;
    }
    WipeBytes(u.data(), u.size());
    WipeBytes(t.data(), t.size());
}

// SHA-1: the output blocks are independent, of one request and of several alike, so the chain
// kernel runs `width` of them at once, each from its own first U.
void DeriveSha1(const THmacContext& keyed, std::span<const Pbkdf2Request> requests, std::int32_t iterations,
                decltype(Sha1Implementation::hmacChain) chain, std::size_t width) {
    Sha1HmacPads pads;
    std::memcpy(pads.inner, keyed.inner.sha1.state, sizeof pads.inner);
    std::memcpy(pads.outer, keyed.outer.sha1.state, sizeof pads.outer);
    width = std::min(width, kMaxLanes);
    std::size_t request = 0, done = 0;  // the next block to start: its request, and the bytes before it
    std::uint32_t n = 1;                // its number within the request
    for (;;) {
        std::uint32_t u[kMaxLanes][5], t[kMaxLanes][5];
        std::span<std::uint8_t> to[kMaxLanes];
        std::size_t lanes = 0;
        while (lanes < width && request < requests.size()) {
            const Pbkdf2Request& r = requests[request];
            if (done >= r.output.size()) {
                ++request, done = 0, n = 1;
                continue;
            }
            std::uint8_t first[kSha1DigestSize];
            FirstU(keyed, r.salt.data(), r.salt.size(), n, first);
            for (int i = 0; i < 5; ++i)
                u[lanes][i] = t[lanes][i] = (std::uint32_t{first[4 * i]} << 24) |
                                            (std::uint32_t{first[4 * i + 1]} << 16) |
                                            (std::uint32_t{first[4 * i + 2]} << 8) | first[4 * i + 3];
            WipeBytes(first, sizeof first);
            const std::size_t take = std::min(kSha1DigestSize, r.output.size() - done);
            to[lanes++] = r.output.subspan(done, take);
            done += take;
            ++n;
        }
        if (lanes == 0) break;
        if (iterations > 1) chain(pads, u, t, lanes, static_cast<std::uint32_t>(iterations - 1));
        for (std::size_t l = 0; l < lanes; ++l) {
            std::uint8_t bytes[kSha1DigestSize];
            for (int i = 0; i < 5; ++i) {
                bytes[4 * i] = static_cast<std::uint8_t>(t[l][i] >> 24);
                bytes[4 * i + 1] = static_cast<std::uint8_t>(t[l][i] >> 16);
                bytes[4 * i + 2] = static_cast<std::uint8_t>(t[l][i] >> 8);
                bytes[4 * i + 3] = static_cast<std::uint8_t>(t[l][i]);
            }
            std::memcpy(to[l].data(), bytes, to[l].size());
            WipeBytes(bytes, sizeof bytes);
        }
        WipeBytes(u, sizeof u);
        WipeBytes(t, sizeof t);
    }
    WipeBytes(&pads, sizeof pads);
}

}  // namespace

Pbkdf2Result Pbkdf2(const THashDescriptor* descriptor, const void* password, std::size_t passwordLength,
                    const void* salt, std::size_t saltLength, std::int32_t iterations, std::uint8_t* output,
                    std::size_t outputLength) {
    if (!descriptor) return Pbkdf2Result::NoDescriptor;
    if (descriptor->DigestLength == 0) return Pbkdf2Result::NoDigest;
    if (iterations <= 0) {
        std::memset(output, 0, outputLength);
        return Pbkdf2Result::Ok;
    }
    THmacContext keyed;
    HmacInit(keyed, descriptor, password, passwordLength);
    if (!keyed.descriptor) return Pbkdf2Result::NoDescriptor;
    if (IsSha1(*descriptor)) {
        const Pbkdf2Request one{{static_cast<const std::uint8_t*>(salt), saltLength}, {output, outputLength}};
        DeriveSha1(keyed, {&one, 1}, iterations, ActiveSha1Implementation().hmacChain, kLanes);
    } else {
        DeriveGeneric(keyed, salt, saltLength, iterations, output, outputLength);
    }
    WipeBytes(&keyed, sizeof keyed);
    return Pbkdf2Result::Ok;
}

Pbkdf2Result Pbkdf2Sha1(const void* password, std::size_t passwordLength, const void* salt, std::size_t saltLength,
                        std::int32_t iterations, std::uint8_t* output, std::size_t outputLength) {
    return Pbkdf2(FindHashById(kSha1HashId), password, passwordLength, salt, saltLength, iterations, output,
                  outputLength);
}

Pbkdf2Result Pbkdf2Sha1Many(const void* password, std::size_t passwordLength, std::int32_t iterations,
                            std::span<const Pbkdf2Request> requests) {
    const THashDescriptor* descriptor = FindHashById(kSha1HashId);
    if (!descriptor) return Pbkdf2Result::NoDescriptor;
    if (descriptor->DigestLength == 0) return Pbkdf2Result::NoDigest;
    // Another hash registered in SHA-1's place: one at a time, as Pbkdf2Sha1 would. What fails
    // for one fails for all, before the first writes anything.
    if (iterations <= 0 || !IsSha1(*descriptor)) {
        for (const Pbkdf2Request& r : requests)
            if (const Pbkdf2Result e = Pbkdf2(descriptor, password, passwordLength, r.salt.data(), r.salt.size(),
                                              iterations, r.output.data(), r.output.size());
                e != Pbkdf2Result::Ok)
                return e;
        return Pbkdf2Result::Ok;
    }
    THmacContext keyed;
    HmacInit(keyed, descriptor, password, passwordLength);
    if (!keyed.descriptor) return Pbkdf2Result::NoDescriptor;
    const Sha1MultiImplementation& kernel = ActiveSha1MultiImplementation();
    DeriveSha1(keyed, requests, iterations, kernel.hmacChain, kernel.lanes);
    WipeBytes(&keyed, sizeof keyed);
    return Pbkdf2Result::Ok;
}

}  // namespace ziplib
