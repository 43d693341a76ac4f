// PBKDF2 (RFC 2898) with HMAC of a registered hash as its pseudo-random function.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "crypto/THashDescriptor.h"

namespace ziplib {

enum class Pbkdf2Result : int {
    Ok = 0,
    NoDescriptor = 1,   // no hash was given, or SHA-1 is not registered
    NoDigest = 2,       // the hash's digest length is 0
};

// Fills `output` with `outputLength` derived bytes; on a failure writes nothing. With an
// iteration count of 0 or less every block is zero.
Pbkdf2Result Pbkdf2(const THashDescriptor* descriptor, const void* password, std::size_t passwordLength,
                    const void* salt, std::size_t saltLength, std::int32_t iterations, std::uint8_t* output,
                    std::size_t outputLength);

// Pbkdf2 with the hash registered under id 3 (SHA-1).
Pbkdf2Result Pbkdf2Sha1(const void* password, std::size_t passwordLength, const void* salt, std::size_t saltLength,
                        std::int32_t iterations, std::uint8_t* output, std::size_t outputLength);

// One salt of a run under one password, and where its derived bytes go.
struct Pbkdf2Request {
    std::span<const std::uint8_t> salt;
    std::span<std::uint8_t> output;
};

// Pbkdf2Sha1 for every request, the password's pads hashed once and the output blocks of all
// requests run side by side through the multi-message SHA-1, so a few short outputs cost about
// what one does. Each output gets exactly what Pbkdf2Sha1 gives for its salt; on a failure none
// is written.
Pbkdf2Result Pbkdf2Sha1Many(const void* password, std::size_t passwordLength, std::int32_t iterations,
                            std::span<const Pbkdf2Request> requests);

}  // namespace ziplib
