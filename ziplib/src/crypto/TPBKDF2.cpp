#include "crypto/TPBKDF2.h"

#include "crypto/Hmac.h"
#include "crypto/OsRandom.h"

namespace ziplib {

TPBKDF2::TPBKDF2(std::string password, std::int32_t iterations, std::size_t saltLength)
    : Iterations(iterations), Salt(saltLength), Password(std::move(password)) {
    OsRandomSaltBytes(Salt);
}

TPBKDF2::TPBKDF2(std::string password, std::int32_t iterations, std::span<const std::uint8_t> salt)
    : Iterations(iterations), Salt(salt.begin(), salt.end()), Password(std::move(password)) {}

TPBKDF2::~TPBKDF2() {
    WipeBytes(Password.data(), Password.size());
    WipeBytes(Salt.data(), Salt.size());
}

Pbkdf2Result TPBKDF2::GetKey(std::size_t keyLength, std::vector<std::uint8_t>& key) const {
    key.assign(keyLength, 0);
    return Pbkdf2Sha1(Password.data(), Password.size(), Salt.data(), Salt.size(), Iterations, key.data(), keyLength);
}

}  // namespace ziplib
