#include "crypto/TAESCryptoTransform.h"

#include <algorithm>
#include <cstring>

#include "format/AesExtraField.h"

namespace ziplib {
namespace {

constexpr const char* kName = "TAESCryptoTransform";

std::atomic<std::uint64_t> derivations{0};
std::atomic<std::uint64_t> derivationRuns{0};

std::uint8_t StrengthOf(std::size_t keyLength) { return keyLength == 16 ? 1 : keyLength == 24 ? 2 : 3; }

void Wipe(std::vector<std::uint8_t>& v) {
    WipeBytes(v.data(), v.size());
    v.clear();
}

bool ReadExactly(TStream& stream, void* out, std::size_t n) {
    return stream.Read(out, static_cast<std::int64_t>(n)) == static_cast<std::int64_t>(n);
}

}  // namespace

TAESCryptoTransform::TAESCryptoTransform(int keyBits, std::uint16_t compressionMethod, std::uint16_t vendorVersion)
    : hash_(FindHashByName("SHA1")),
      keyLength_(static_cast<std::size_t>(keyBits / 8)),
      vendorVersion_(vendorVersion),
      compressionMethod_(compressionMethod) {}

TAESCryptoTransform::~TAESCryptoTransform() { ResetTransform(); }

void TAESCryptoTransform::ResetTransform() {
    WipeBytes(password_.data(), password_.size());
    password_.clear();
    WipeBytes(keyedPassword_.data(), keyedPassword_.size());
    keyedPassword_.clear();
    keyLength_ = 0;
    Wipe(hmacKey_);
    Wipe(aesKey_);
    Wipe(salt_);
    WipeBytes(&hmac_, sizeof hmac_);
    verifier_ = derivedVerifier_ = {};
    authCode_.reset();
    mac_.reset();
    pbkdf2_.reset();
    cipher_.reset();
    keyed_ = false;
}

std::uint64_t TAESCryptoTransform::Derivations() { return derivations.load(); }
std::uint64_t TAESCryptoTransform::DerivationRuns() { return derivationRuns.load(); }

// One PBKDF2 run gives the AES key, the HMAC key and the verifier, in that order.
TAESCryptoTransform::Derived TAESCryptoTransform::Derive(const TPBKDF2& kdf) const {
    std::vector<std::uint8_t> bytes(2 * keyLength_ + kAesVerifierSize);
    const std::optional<AesSalt> salt = AesSalt::Of(keyLength_, kdf.Salt);
    const bool held = hash_ && keys_ && salt && keys_->Find(kdf.Password, *salt, bytes);
    if (!held) {
        derivations.fetch_add(1, std::memory_order_relaxed);
        derivationRuns.fetch_add(1, std::memory_order_relaxed);
        if (!hash_ || keyLength_ == 0 || kdf.GetKey(2 * keyLength_ + kAesVerifierSize, bytes) != Pbkdf2Result::Ok) {
            Wipe(bytes);
            throw ECipherException(ECipherError::KeyDerivationFailed, kName);
        }
    }
    Derived d;
    const auto at = bytes.begin();
    const auto n = static_cast<std::ptrdiff_t>(keyLength_);
    d.aesKey.assign(at, at + n);
    d.hmacKey.assign(at + n, at + 2 * n);
    std::copy(at + 2 * n, at + 2 * n + kAesVerifierSize, d.verifier.begin());
    Wipe(bytes);
    return d;
}

bool TAESCryptoTransform::DeriveKeys(const std::string& password, std::span<const AesSalt> salts,
                                     std::span<AesDerivedKeys> keys) {
    if (salts.size() > keys.size() || !FindHashByName("SHA1")) return false;
    derivations.fetch_add(salts.size(), std::memory_order_relaxed);
    derivationRuns.fetch_add(1, std::memory_order_relaxed);
    std::vector<Pbkdf2Request> requests;
    for (std::size_t i = 0; i < salts.size(); ++i)
        requests.push_back({salts[i].Salt(), std::span(keys[i]).first(AesDerivedLength(salts[i].keyLength))});
    return Pbkdf2Sha1Many(password.data(), password.size(), kAesIterations, requests) == Pbkdf2Result::Ok;
}

void TAESCryptoTransform::KeyWith(Derived d) {
    Wipe(aesKey_);
    Wipe(hmacKey_);
    hmacKey_ = std::move(d.hmacKey);
    derivedVerifier_ = d.verifier;
    HmacInit(hmac_, hash_, hmacKey_.data(), hmacKey_.size());
    // The cipher leaves its encrypted copy of the key in the buffer it was keyed with.
    cipher_ = std::make_unique<TCipher_Rijndael>(d.aesKey);
    cipher_->Mode = TCipherMode::ModeCounter;
    aesKey_ = std::move(d.aesKey);
    mac_.reset();
    keyedPassword_ = password_;
    keyed_ = true;
}

bool TAESCryptoTransform::KeyedFor(const std::string& password) const {
    return keyed_ && keyedPassword_ == password;
}

void TAESCryptoTransform::CryptoInit(const std::string& password) {
    password_ = password;
    if (Direction == kCryptoDecrypt) {
        // Until the header is read there is no salt: the keys are made once, when it is.
        if (salt_.empty() || KeyedFor(password_)) return;
        pbkdf2_ = std::make_unique<TPBKDF2>(password_, kAesIterations, salt_);
        KeyWith(Derive(*pbkdf2_));
        return;
    }
    pbkdf2_ = std::make_unique<TPBKDF2>(password_, kAesIterations, keyLength_ / 2);
    salt_ = pbkdf2_->GetSalt();
    KeyWith(Derive(*pbkdf2_));
    verifier_ = derivedVerifier_;
}

bool TAESCryptoTransform::CheckPassword(const std::string& password, const TDirItem*) {
    if (salt_.empty() || keyLength_ == 0) return false;
    if (KeyedFor(password)) return derivedVerifier_ == verifier_;
    const Derived d = Derive(TPBKDF2(password, kAesIterations, salt_));
    return d.verifier == verifier_;
}

bool TAESCryptoTransform::ReadEncryptionHeader(TStream& stream, std::int64_t offset) {
    if (offset != 0 && stream.Seek(offset, TSeekOrigin::soCurrent) < 0) return false;
    std::vector<std::uint8_t> salt(keyLength_ / 2);
    std::array<std::uint8_t, kAesVerifierSize> verifier{};
    if (!ReadExactly(stream, salt.data(), salt.size()) || !ReadExactly(stream, verifier.data(), verifier.size()))
        return false;
    if (salt != salt_) {
        keyed_ = false;
        salt_ = std::move(salt);
    }
    if (!KeyedFor(password_)) {
        pbkdf2_ = std::make_unique<TPBKDF2>(password_, kAesIterations, salt_);
        KeyWith(Derive(*pbkdf2_));
    }
    verifier_ = verifier;
    return true;
}

std::size_t TAESCryptoTransform::DecryptBuffer(const std::uint8_t* source, std::size_t sourceOffset, std::uint8_t* dest,
                                               std::size_t destOffset, std::size_t count) {
    if (!cipher_) throw ECipherException(ECipherError::NotInitialized, kName);
    const std::uint8_t* in = source + sourceOffset;
    std::uint8_t* out = dest + destOffset;
    std::size_t done = 0;
    // Whole blocks in one pass where the kernel exists and hash and keystream are both at a
    // block boundary, as they are for every full chunk of an item.
    Sha1Context& inner = hmac_.inner.sha1;
    if (const auto* fused = ActiveAesCtrSha1Implementation(); fused && hmac_.descriptor == &Sha1Descriptor() && inner.fill == 0) {
        done = cipher_->DecodeHashing(*fused, inner.state, in, out, count);
        Sha1CountBlocks(inner, done / kSha1BlockSize);
    }
    // Otherwise in slices small enough that the core still has the hashing of one in flight
    // while it runs the keystream of the one before.
    constexpr std::size_t kSlice = 1024;
    while (done < count) {
        const std::size_t n = std::min(kSlice, count - done);
        HmacUpdate(hmac_, in + done, n);
        cipher_->DecodeBuffer(in + done, out + done, n);
        done += n;
    }
    return count;
}

std::size_t TAESCryptoTransform::EncryptBuffer(const std::uint8_t* source, std::size_t sourceOffset, std::uint8_t* dest,
                                               std::size_t destOffset, std::size_t count) {
    if (!cipher_) throw ECipherException(ECipherError::NotInitialized, kName);
    cipher_->EncodeBuffer(source + sourceOffset, dest + destOffset, count);
    HmacUpdate(hmac_, dest + destOffset, count);
    return count;
}

std::vector<std::uint8_t> TAESCryptoTransform::GetEncryptionHeader() {
    std::vector<std::uint8_t> h = salt_;
    h.insert(h.end(), verifier_.begin(), verifier_.end());
    return h;
}

const Sha1Digest& TAESCryptoTransform::FinishMac() {
    if (!mac_) {
        mac_.emplace();
        HmacFinal(hmac_, mac_->data());
    }
    return *mac_;
}

std::vector<std::uint8_t> TAESCryptoTransform::GetAuthCode() {
    const Sha1Digest& mac = FinishMac();
    return {mac.begin(), mac.begin() + kAesAuthCodeSize};
}

bool TAESCryptoTransform::ReadAuthCode(TStream& stream, std::int64_t offset) {
    if (offset != 0 && stream.Seek(offset, TSeekOrigin::soCurrent) < 0) return false;
    std::array<std::uint8_t, kAesAuthCodeSize> code{};
    if (!ReadExactly(stream, code.data(), code.size())) return false;
    authCode_ = code;
    return true;
}

bool TAESCryptoTransform::AuthCodeMatches() {
    if (!authCode_ || !keyed_) return false;
    const Sha1Digest& mac = FinishMac();
    return std::equal(authCode_->begin(), authCode_->end(), mac.begin());
}

bool TAESCryptoTransform::IsDataCorrupted(const TDirItem* item, std::uint32_t crc) {
    if (!AuthCodeMatches()) return true;
    return vendorVersion_ == 1 && (!item || item->Header.crc32 != crc);
}

ExtraField TAESCryptoTransform::GetAESExtraField() {
    AesExtraField f;
    f.vendorVersion = vendorVersion_;
    f.keyStrength = StrengthOf(keyLength_);
    f.method = compressionMethod_;
    return f.ToExtraField();
}

}  // namespace ziplib
