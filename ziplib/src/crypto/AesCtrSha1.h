// Decryption of AES item data in one pass: the ciphertext goes through SHA-1 (the HMAC's inner
// hash) and is decrypted in counter mode in the same loop, so the core runs the keystream beside
// the hashing instead of after it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "crypto/Aes.h"

namespace ziplib {

struct AesCtrSha1Implementation {
    std::string_view name;
    // `blocks` blocks of 64 bytes: SHA-1 over `in` into `sha`, then counter mode from `counter`
    // (as AesImplementation::ctr) into `out`. `in` and `out` may be the same buffer.
    void (*run)(const AesKey& key, std::uint64_t& counter, std::uint32_t sha[5], const std::uint8_t* in,
                std::uint8_t* out, std::size_t blocks);
    bool supported;
};

// The portable one first.
std::span<const AesCtrSha1Implementation> AesCtrSha1Implementations();

// The one-pass kernel the library uses, or nullptr when the separate AES and SHA-1 kernels in use
// serve as well (no CPU support, or the portable path forced). Chosen once.
const AesCtrSha1Implementation* ActiveAesCtrSha1Implementation();

}  // namespace ziplib
