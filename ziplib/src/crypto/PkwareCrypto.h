// The traditional PKWARE stream cipher of ZIP items: key schedule, the 12-byte encryption header
// and in-place encryption and decryption that may run over an item chunk by chunk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "ziplib/Crc32.h"

namespace ziplib {

// The cipher's whole state; it advances with every plain byte.
struct TPkzipKeys {
    std::uint32_t Key0 = 0;
    std::uint32_t Key1 = 0;
    std::uint32_t Key2 = 0;
};

// Size of the encryption header in front of an encrypted item's data.
inline constexpr std::size_t kPkwareHeaderSize = 12;

// The bytes the key schedule takes for a password held as UTF-8: its code page 1251 form, the
// form archives made for this program carry. Characters 1251 cannot hold become '?'.
std::string PkwarePasswordBytes(std::string_view utf8Password);

constexpr void UpdateKeys(std::uint8_t byte, TPkzipKeys& keys) {
    keys.Key0 = Crc32Step(keys.Key0, byte);
    keys.Key1 = (keys.Key1 + (keys.Key0 & 0xFF)) * 134775813u + 1;
    keys.Key2 = Crc32Step(keys.Key2, static_cast<std::uint8_t>(keys.Key1 >> 24));
}

// Fresh keys from a password given as the 8-bit bytes the archive stores.
constexpr void InitKeys(std::string_view password, TPkzipKeys& keys) {
    keys = {0x12345678u, 0x23456789u, 0x34567890u};
    for (char c : password) UpdateKeys(static_cast<std::uint8_t>(c), keys);
}

// The next key-stream byte; the keys are not changed.
constexpr std::uint8_t DecryptByte(const TPkzipKeys& keys) {
    const std::uint32_t t = keys.Key2 | 2;
    return static_cast<std::uint8_t>((t * (t ^ 1)) >> 8);
}

// Encrypts one plain byte and advances the keys with it.
constexpr std::uint8_t EncryptByte(std::uint8_t plain, TPkzipKeys& keys) {
    const std::uint8_t k = DecryptByte(keys);
    UpdateKeys(plain, keys);
    return plain ^ k;
}

// Encrypts buffer[start .. start + count - 1] in place.
void PkzipEncryptRange(std::uint8_t* buffer, std::size_t start, std::size_t count, TPkzipKeys& keys);

// Decrypts count bytes in place.
void PkzipDecryptBuffer(std::uint8_t* buffer, std::size_t count, TPkzipKeys& keys);

// Sets the keys from the password and decrypts the encryption header in place; the keys are then
// ready for the item's data.
void DecryptHeader(std::string_view password, TPkzipKeys& keys, std::span<std::uint8_t, kPkwareHeaderSize> header);

// What the last decrypted header byte must equal with the right password: bits 8-15 of the local
// header's DOS time when the item has a data descriptor (flag bit 3: the writer did not know the
// CRC yet), else bits 24-31 of its CRC-32. A match is only a hint: a wrong password passes it once
// in 256 tries, so the CRC of the data has the last word.
constexpr std::uint8_t PkwareCheckByte(std::uint16_t flags, std::uint16_t dosTime, std::uint32_t crc) {
    return (flags & 0x0008) ? static_cast<std::uint8_t>(dosTime >> 8) : static_cast<std::uint8_t>(crc >> 24);
}

}  // namespace ziplib
