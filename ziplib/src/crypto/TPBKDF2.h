// A password, a salt and an iteration count, from which PBKDF2-HMAC-SHA1 derives key bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "crypto/Pbkdf2.h"

namespace ziplib {

class TPBKDF2 {
public:
    // A fresh random salt of `saltLength` bytes, each in 0 .. 254, from the system's generator.
    TPBKDF2(std::string password, std::int32_t iterations, std::size_t saltLength);
    // The given salt.
    TPBKDF2(std::string password, std::int32_t iterations, std::span<const std::uint8_t> salt);
    ~TPBKDF2();
    TPBKDF2(const TPBKDF2&) = delete;
    TPBKDF2& operator=(const TPBKDF2&) = delete;

    // `keyLength` derived bytes into `key`, which is zero-filled first; the PBKDF2 result.
    Pbkdf2Result GetKey(std::size_t keyLength, std::vector<std::uint8_t>& key) const;
    std::vector<std::uint8_t> GetSalt() const { return Salt; }

    std::int32_t Iterations;
    std::vector<std::uint8_t> Salt;
    std::string Password;  // the 8-bit bytes the key is derived from
};

}  // namespace ziplib
