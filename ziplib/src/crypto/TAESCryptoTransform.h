// The AES item scheme: AES in counter mode with keys and a 2-byte password verifier derived by
// PBKDF2-HMAC-SHA1 (1000 iterations) from the password and a salt of half the key length, and the
// first 10 bytes of HMAC-SHA1 over the ciphertext as its authentication code. Stored form: salt,
// verifier, ciphertext, authentication code. A new item gets a new transform.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "crypto/AesKeyCache.h"
#include "crypto/Hmac.h"
#include "crypto/TCipher_Rijndael.h"
#include "crypto/TPBKDF2.h"
#include "crypto/TZACryptoTransform.h"

namespace ziplib {

inline constexpr std::int32_t kAesIterations = 1000;
inline constexpr std::size_t kAesVerifierSize = 2;
inline constexpr std::size_t kAesAuthCodeSize = 10;

class TAESCryptoTransform final : public TZACryptoTransform {
public:
    // `keyBits` 128, 192 or 256; the compression method and vendor version (1 or 2) go into the
    // extra field, and version 1 items have their CRC-32 checked as well as their code.
    TAESCryptoTransform(int keyBits, std::uint16_t compressionMethod, std::uint16_t vendorVersion);
    ~TAESCryptoTransform() override;
    TAESCryptoTransform(const TAESCryptoTransform&) = delete;
    TAESCryptoTransform& operator=(const TAESCryptoTransform&) = delete;

    // Encrypting: a fresh salt from the system's random source and keys from it. Decrypting:
    // keys from the salt already read, or, before the header is read, the password kept for it.
    // ECipherException KeyDerivationFailed when no key can be derived.
    void CryptoInit(const std::string& password) override;
    bool CheckPassword(const std::string& password, const TDirItem* item) override;
    std::vector<std::uint8_t> GetKey() override { return aesKey_; }
    std::string GetPassword() override { return password_; }
    void ResetTransform() override;
    std::size_t DecryptBuffer(const std::uint8_t* source, std::size_t sourceOffset, std::uint8_t* dest,
                              std::size_t destOffset, std::size_t count) override;
    std::size_t EncryptBuffer(const std::uint8_t* source, std::size_t sourceOffset, std::uint8_t* dest,
                              std::size_t destOffset, std::size_t count) override;
    std::vector<std::uint8_t> GetEncryptionHeader() override;
    bool ReadEncryptionHeader(TStream& stream, std::int64_t offset) override;
    std::size_t GetEncryptionHeaderSize() override { return keyLength_ / 2 + kAesVerifierSize; }
    // The first 10 bytes of the HMAC over every ciphertext byte so far; finishes the HMAC.
    std::vector<std::uint8_t> GetAuthCode() override;
    bool ReadAuthCode(TStream& stream, std::int64_t offset) override;
    std::size_t GetAuthCodeSize() override { return kAesAuthCodeSize; }
    // The authentication code differs from the one read, or (vendor version 1) the item's
    // stored CRC-32 differs from `crc`.
    bool IsDataCorrupted(const TDirItem* item, std::uint32_t crc) override;
    // ID 0x9901, 7 bytes: vendor version, "AE", strength 1-3, compression method.
    ExtraField GetAESExtraField() override;

    // Whether the code read matches the data; finishes the HMAC.
    bool AuthCodeMatches();
    std::size_t KeyLength() const { return keyLength_; }
    // Key derivations run by all transforms of the process, and by DeriveKeys for each salt:
    // each is a thousand HMAC rounds, so an item should cost one per password tried.
    static std::uint64_t Derivations();
    // The PBKDF2 runs those took: fewer than the derivations where several items' keys were
    // derived at once.
    static std::uint64_t DerivationRuns();

    // The keys of several items under one password at once, each what a transform derives for
    // its salt: AES key, HMAC key and verifier. False when they can't be derived.
    static bool DeriveKeys(const std::string& password, std::span<const AesSalt> salts,
                           std::span<AesDerivedKeys> keys);
    // Keys are taken from `keys` where it holds them for the password and salt, instead of
    // being derived; nullptr derives every time.
    void UseKeyCache(const AesKeyCache* keys) { keys_ = keys; }

private:
    struct Derived {
        std::vector<std::uint8_t> aesKey, hmacKey;
        std::array<std::uint8_t, kAesVerifierSize> verifier{};
    };
    Derived Derive(const TPBKDF2& kdf) const;
    void KeyWith(Derived d);
    bool KeyedFor(const std::string& password) const;
    const Sha1Digest& FinishMac();

    std::unique_ptr<TPBKDF2> pbkdf2_;
    THmacContext hmac_;
    const THashDescriptor* hash_;
    std::unique_ptr<TCipher_Rijndael> cipher_;
    std::size_t keyLength_;
    std::vector<std::uint8_t> hmacKey_, aesKey_, salt_;
    std::array<std::uint8_t, kAesVerifierSize> verifier_{};         // stored (reading) or derived (writing)
    std::array<std::uint8_t, kAesVerifierSize> derivedVerifier_{};  // of the keys in use
    std::optional<std::array<std::uint8_t, kAesAuthCodeSize>> authCode_;  // read after the data
    std::optional<Sha1Digest> mac_;                                        // the finished HMAC
    std::string password_;
    std::string keyedPassword_;  // what the keys in use were derived from, with salt_
    const AesKeyCache* keys_ = nullptr;  // keys derived ahead, or none
    bool keyed_ = false;
    std::uint16_t vendorVersion_;
    std::uint16_t compressionMethod_;
};

}  // namespace ziplib
