#include "engine/AesItemsAhead.h"

#include <array>

#include "crypto/TAESCryptoTransform.h"
#include "engine/ItemDataReader.h"
#include "format/LocalHeader.h"
#include "format/ZipConstants.h"

namespace ziplib {
namespace {

std::size_t KeyLengthOf(const TDirItem& item) { return 8u + 8u * item.EncryptionStrength; }

}  // namespace

bool IsAesItem(const TDirItem& item) {
    const std::uint8_t strength = item.EncryptionStrength;
    if (strength < 1 || strength > 3 || !(item.Header.flags & kFlagEncrypted) ||
        !UsesStandardEncryption(item.Header.versionNeeded))
        return false;
    if (item.Method != kMethodStored && item.Method != kMethodDeflate) return false;
    return ItemCompressedSize(item) >= KeyLengthOf(item) / 2 + kAesVerifierSize + kAesAuthCodeSize;
}

std::optional<AesSalt> ReadAesSalt(TStream& archive, const TDirItem& item) {
    if (!IsAesItem(item)) return std::nullopt;
    const auto offset = static_cast<std::int64_t>(ItemLocalHeaderOffset(item));
    if (offset < 0 || archive.Seek(offset, TSeekOrigin::soBeginning) != offset) return std::nullopt;
    std::array<std::uint8_t, LocalHeader::kSize> raw{};
    if (archive.Read(raw.data(), raw.size()) != static_cast<std::int64_t>(raw.size())) return std::nullopt;
    const auto local = LocalHeader::Parse(raw);
    if (!local || (local->signature != kLocalHeaderSignature && local->signature != kSecondLocalHeaderSignature))
        return std::nullopt;
    const std::int64_t data = offset + static_cast<std::int64_t>(local->RecordSize());
    if (archive.Seek(data, TSeekOrigin::soBeginning) != data) return std::nullopt;
    std::array<std::uint8_t, 16> salt{};
    const std::size_t n = KeyLengthOf(item) / 2;
    if (archive.Read(salt.data(), static_cast<std::int64_t>(n)) != static_cast<std::int64_t>(n)) return std::nullopt;
    return AesSalt::Of(KeyLengthOf(item), std::span(salt).first(n));
}

}  // namespace ziplib
