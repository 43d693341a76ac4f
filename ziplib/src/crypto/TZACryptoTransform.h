// What the item-data engine asks of an item cipher: keys from a password, the encryption header
// in front of the data, the data itself, and the authentication code after it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "format/ExtraField.h"
#include "directory/TDirItem.h"
#include "ziplib/TStream.h"

namespace ziplib {

inline constexpr std::int32_t kCryptoDecrypt = 1;  // any other direction encrypts
inline constexpr std::int32_t kCryptoEncrypt = 0;

class TZACryptoTransform {
public:
    virtual ~TZACryptoTransform() = default;

    // Passwords are the 8-bit bytes the archive's keys are made from.
    virtual void CryptoInit(const std::string& password) = 0;
    // Whether `password` gives the verifier read with the header; the keys stay as they are.
    virtual bool CheckPassword(const std::string& password, const TDirItem* item) = 0;
    virtual std::vector<std::uint8_t> GetKey() = 0;
    virtual std::string GetPassword() = 0;
    virtual void SetDirection(std::int32_t direction, const TDirItem* item) {
        (void)item;
        Direction = direction;
    }
    virtual void ResetTransform() = 0;
    // Both return `count`; source and dest may be the same buffer.
    virtual std::size_t DecryptBuffer(const std::uint8_t* source, std::size_t sourceOffset, std::uint8_t* dest,
                                      std::size_t destOffset, std::size_t count) = 0;
    virtual std::size_t EncryptBuffer(const std::uint8_t* source, std::size_t sourceOffset, std::uint8_t* dest,
                                      std::size_t destOffset, std::size_t count) = 0;
    // The header written in front of the data.
    virtual std::vector<std::uint8_t> GetEncryptionHeader() = 0;
    // Reads the header `offset` bytes on from the stream's position; false when the stream ends
    // first.
    virtual bool ReadEncryptionHeader(TStream& stream, std::int64_t offset) = 0;
    virtual std::size_t GetEncryptionHeaderSize() = 0;
    // The code written after the data; empty when the scheme has none.
    virtual std::vector<std::uint8_t> GetAuthCode() = 0;
    virtual bool ReadAuthCode(TStream& stream, std::int64_t offset) = 0;
    virtual std::size_t GetAuthCodeSize() = 0;
    // After the last buffer: whether the data fails its checks. `crc` is the CRC-32 of the
    // decoded bytes.
    virtual bool IsDataCorrupted(const TDirItem* item, std::uint32_t crc) = 0;
    virtual ExtraField GetAESExtraField() = 0;

    std::int32_t Direction = kCryptoEncrypt;
};

}  // namespace ziplib
