// Keys of AES items derived ahead of their turn while a batch runs, under one password: one
// item's key derivation leaves most lanes of the multi-message SHA-1 idle, and the next items'
// derivations fill them at almost no cost. Keyed by salt and key length; a change of password
// drops everything, and whatever is dropped is wiped first.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace ziplib {

// What, beside the password, decides an AES item's keys: its key length (16, 24 or 32 bytes)
// and its salt of half that length.
struct AesSalt {
    std::uint8_t keyLength = 0;
    std::array<std::uint8_t, 16> bytes{};  // keyLength / 2 of them; the rest stay zero

    // Nothing when the key length is not an AES one or the salt is not half of it.
    static std::optional<AesSalt> Of(std::size_t keyLength, std::span<const std::uint8_t> salt);
    std::span<const std::uint8_t> Salt() const { return {bytes.data(), keyLength / 2u}; }
    bool operator==(const AesSalt&) const = default;
};

// The AES key, the HMAC key and the 2-byte verifier, in that order (66 bytes for AES-256).
inline constexpr std::size_t AesDerivedLength(std::size_t keyLength) { return 2 * keyLength + 2; }
using AesDerivedKeys = std::array<std::uint8_t, AesDerivedLength(32)>;
// The PBKDF2 output blocks (SHA-1 digests) those take, each a lane of the chain kernel.
inline constexpr std::size_t AesDerivedBlocks(std::size_t keyLength) { return (AesDerivedLength(keyLength) + 19) / 20; }

class AesKeyCache {
public:
    // Enough for the items that fill the widest kernel's lanes, the shortest keys taking two.
    static constexpr std::size_t kCapacity = 16;

    AesKeyCache() = default;
    ~AesKeyCache();
    AesKeyCache(const AesKeyCache&) = delete;
    AesKeyCache& operator=(const AesKeyCache&) = delete;

    // The derived bytes of `salt` under `password` into `out` (AesDerivedLength of its key);
    // false when they are not held.
    bool Find(const std::string& password, const AesSalt& salt, std::span<std::uint8_t> out) const;

    // Before the item of `salt` is tried with `password`. When they are not held and `password`
    // opened the last AES item it was tried on, derives them together with the salts
    // `ahead(blocks)` gives for at most `blocks` further output blocks (as many as the SHA-1
    // kernel's lanes leave), and keeps them all. Otherwise the item derives its own keys: a
    // password not known to be right is spent on no other item.
    void Prepare(const std::string& password, const AesSalt& salt,
                 const std::function<std::vector<AesSalt>(std::size_t blocks)>& ahead);

    // `password` was tried on an AES item, and opened it or not.
    void Tried(const std::string& password, bool opened);

    // Wipes and forgets every key and the password.
    void Clear();

    std::size_t Count() const { return count_; }

private:
    struct Entry {
        AesSalt salt;
        AesDerivedKeys keys{};
    };
    void UsePassword(const std::string& password);
    bool Holds(const AesSalt& salt) const;
    void Keep(const AesSalt& salt, const AesDerivedKeys& keys);

    std::string password_;
    bool opened_ = false;  // password_ opened the last AES item it was tried on
    std::array<Entry, kCapacity> entries_{};
    std::size_t count_ = 0;
    std::size_t next_ = 0;  // the slot the next key goes to; the oldest is overwritten
};

}  // namespace ziplib
