// HMAC (RFC 2104) over any registered hash. The key's inner and outer pad blocks are hashed once
// by HmacInit; every message under the key starts from those two states.
#pragma once

#include <cstddef>
#include <cstdint>

#include "crypto/THashDescriptor.h"

namespace ziplib {

struct THmacContext {
    THashContext inner;  // after the inner pad block, then the message so far
    THashContext outer;  // after the outer pad block
    const THashDescriptor* descriptor = nullptr;
};

// Keys longer than the hash's block are hashed first. The context is wiped first; a null
// descriptor leaves it empty, and the other calls then do nothing.
void HmacInit(THmacContext& ctx, const THashDescriptor* descriptor, const void* key, std::size_t keyLength);
void HmacUpdate(THmacContext& ctx, const void* data, std::size_t length);
// Writes the descriptor's digest length of bytes; the context must be initialised again before
// it authenticates anything else.
void HmacFinal(THmacContext& ctx, std::uint8_t* digest);

// Overwrites key material so that it does not linger in freed memory.
void WipeBytes(void* data, std::size_t length);

}  // namespace ziplib
