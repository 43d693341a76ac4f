#include "crypto/PkwareCrypto.h"

#include "platform/CodePage.h"

namespace ziplib {

std::string PkwarePasswordBytes(std::string_view utf8Password) {
    return platform::Utf8ToBytes(utf8Password, platform::CodePage::Cp1251);
}

void PkzipEncryptRange(std::uint8_t* buffer, std::size_t start, std::size_t count, TPkzipKeys& keys) {
    TPkzipKeys k = keys;  // a local copy stays in registers across the loop
    for (std::uint8_t *p = buffer + start, *end = p + count; p != end; ++p) *p = EncryptByte(*p, k);
    keys = k;
}

void PkzipDecryptBuffer(std::uint8_t* buffer, std::size_t count, TPkzipKeys& keys) {
    TPkzipKeys k = keys;
    for (std::uint8_t *p = buffer, *end = p + count; p != end; ++p) {
        const std::uint8_t plain = *p ^ DecryptByte(k);
        UpdateKeys(plain, k);
        *p = plain;
    }
    keys = k;
}

void DecryptHeader(std::string_view password, TPkzipKeys& keys, std::span<std::uint8_t, kPkwareHeaderSize> header) {
    InitKeys(password, keys);
    PkzipDecryptBuffer(header.data(), header.size(), keys);
}

}  // namespace ziplib
