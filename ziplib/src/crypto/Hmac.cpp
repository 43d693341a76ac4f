#include "crypto/Hmac.h"

#include <cstring>

namespace ziplib {

void WipeBytes(void* data, std::size_t length) {
    if (length == 0) return;
    std::memset(data, 0, length);
    // The compiler may not drop the stores: it can't tell what the empty asm reads.
    __asm__ __volatile__("" : : "r"(data) : "memory");
}

void HmacInit(THmacContext& ctx, const THashDescriptor* descriptor, const void* key, std::size_t keyLength) {
    WipeBytes(&ctx, sizeof ctx);
    ctx.descriptor = nullptr;
    if (!descriptor || descriptor->BlockLength == 0 || descriptor->BlockLength > kMaxHashBlockLength) return;
    const std::size_t block = descriptor->BlockLength;
    std::uint8_t k[kMaxHashBlockLength] = {};
    if (keyLength > block) {
        HashAll(descriptor, k, key, keyLength);
    } else if (keyLength > 0) {
        std::memcpy(k, key, keyLength);
    }
    std::uint8_t pad[kMaxHashBlockLength];
    for (std::size_t i = 0; i < block; ++i) pad[i] = k[i] ^ 0x36;
    descriptor->Init(ctx.inner);
    descriptor->Update(ctx.inner, pad, block);
    for (std::size_t i = 0; i < block; ++i) pad[i] = k[i] ^ 0x5C;
    descriptor->Init(ctx.outer);
    descriptor->Update(ctx.outer, pad, block);
    WipeBytes(k, sizeof k);
    WipeBytes(pad, sizeof pad);
    ctx.descriptor = descriptor;
}

void HmacUpdate(THmacContext& ctx, const void* data, std::size_t length) {
    if (ctx.descriptor) ctx.descriptor->Update(ctx.inner, data, length);
}

void HmacFinal(THmacContext& ctx, std::uint8_t* digest) {
    const THashDescriptor* d = ctx.descriptor;
    if (!d) return;
    std::uint8_t innerDigest[kMaxHashBlockLength];
    d->Final(ctx.inner, innerDigest);
    d->Update(ctx.outer, innerDigest, d->DigestLength);
    d->Final(ctx.outer, digest);
    WipeBytes(innerDigest, sizeof innerDigest);
    WipeBytes(&ctx, sizeof ctx);
}

}  // namespace ziplib
