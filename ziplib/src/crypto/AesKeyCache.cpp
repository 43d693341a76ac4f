#include "crypto/AesKeyCache.h"

#include <algorithm>
#include <cstring>

#include "crypto/Hmac.h"
#include "crypto/Sha1.h"
#include "crypto/TAESCryptoTransform.h"

namespace ziplib {

std::optional<AesSalt> AesSalt::Of(std::size_t keyLength, std::span<const std::uint8_t> salt) {
    if ((keyLength != 16 && keyLength != 24 && keyLength != 32) || salt.size() != keyLength / 2) return std::nullopt;
    AesSalt s;
    s.keyLength = static_cast<std::uint8_t>(keyLength);
    std::copy(salt.begin(), salt.end(), s.bytes.begin());
    return s;
}

AesKeyCache::~AesKeyCache() { Clear(); }

void AesKeyCache::Clear() {
    WipeBytes(entries_.data(), sizeof entries_);
    WipeBytes(password_.data(), password_.size());
    password_.clear();
    opened_ = false;
    count_ = next_ = 0;
}

void AesKeyCache::UsePassword(const std::string& password) {
    if (password == password_) return;
    Clear();
    password_ = password;
}

bool AesKeyCache::Holds(const AesSalt& salt) const {
    return std::any_of(entries_.begin(), entries_.begin() + static_cast<std::ptrdiff_t>(count_),
                       [&](const Entry& e) { return e.salt == salt; });
}

bool AesKeyCache::Find(const std::string& password, const AesSalt& salt, std::span<std::uint8_t> out) const {
    if (password != password_ || out.size() != AesDerivedLength(salt.keyLength)) return false;
    for (std::size_t i = 0; i < count_; ++i) {
        if (entries_[i].salt != salt) continue;
        std::memcpy(out.data(), entries_[i].keys.data(), out.size());
        return true;
    }
    return false;
}

void AesKeyCache::Keep(const AesSalt& salt, const AesDerivedKeys& keys) {
    entries_[next_] = {salt, keys};
    next_ = (next_ + 1) % kCapacity;
    count_ = std::min(count_ + 1, kCapacity);
}

void AesKeyCache::Tried(const std::string& password, bool opened) {
    UsePassword(password);
    opened_ = opened;
}

void AesKeyCache::Prepare(const std::string& password, const AesSalt& salt,
                          const std::function<std::vector<AesSalt>(std::size_t blocks)>& ahead) {
    UsePassword(password);
    if (!opened_ || Holds(salt)) return;
    const auto blocksOf = [](const AesSalt& s) { return AesDerivedBlocks(s.keyLength); };
    const std::size_t lanes = ActiveSha1MultiImplementation().lanes;
    std::vector<AesSalt> salts = {salt};
    if (lanes > blocksOf(salt)) {
        std::size_t left = lanes - blocksOf(salt);
        for (const AesSalt& s : ahead(left)) {
            // Two items with one salt share their keys; and what fits is all that runs free.
            if (blocksOf(s) > left || Holds(s) || std::find(salts.begin(), salts.end(), s) != salts.end()) continue;
            salts.push_back(s);
            left -= blocksOf(s);
        }
    }
    salts.resize(std::min(salts.size(), kCapacity));
    std::vector<AesDerivedKeys> keys(salts.size());
    if (TAESCryptoTransform::DeriveKeys(password, salts, keys))
        for (std::size_t i = 0; i < salts.size(); ++i) Keep(salts[i], keys[i]);
    WipeBytes(keys.data(), keys.size() * sizeof(AesDerivedKeys));
}

}  // namespace ziplib
