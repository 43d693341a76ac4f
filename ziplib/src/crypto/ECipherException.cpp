#include "crypto/ECipherException.h"

namespace ziplib {
namespace {

std::string MessageFor(ECipherError code, std::string_view className) {
    const std::string name(className);
    switch (code) {
        case ECipherError::NotInitialized: return name + " is not initialized call Init() or InitKey() before.";
        case ECipherError::KeyDerivationFailed: return name + ": the key could not be derived from the password";
    }
    return name + ": cipher error";
}

}  // namespace

ECipherException::ECipherException(ECipherError code, std::string_view className)
    : std::runtime_error(MessageFor(code, className)), code_(code) {}

}  // namespace ziplib
