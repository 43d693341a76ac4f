// The cipher framework's exception: a cipher used before it has a key, or a key that could not be
// derived.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace ziplib {

enum class ECipherError : int {
    NotInitialized = 3,       // coding before Init or InitKey
    KeyDerivationFailed = 4,  // PBKDF2 gave no key: nothing may be coded with a zero key
};

class ECipherException : public std::runtime_error {
public:
    // `className` names the cipher or transform in the message.
    ECipherException(ECipherError code, std::string_view className);
    ECipherError Code() const { return code_; }

private:
    ECipherError code_;
};

}  // namespace ziplib
