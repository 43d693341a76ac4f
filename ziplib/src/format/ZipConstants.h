// The numbers of the archive layout that readers and writers share: record signatures of
// both families, escape values, extra field IDs, versions, flag bits and methods.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ziplib {

// Standard record signatures ("PK" and two digits).
inline constexpr std::uint32_t kLocalHeaderSignature = 0x04034B50;
inline constexpr std::uint32_t kCentralHeaderSignature = 0x02014B50;
inline constexpr std::uint32_t kEndRecordSignature = 0x06054B50;
// The second family changes only these three; the Zip64 records and the data descriptor
// carry the same signature in both.
inline constexpr std::uint32_t kSecondLocalHeaderSignature = 0x05045C61;
inline constexpr std::uint32_t kSecondCentralHeaderSignature = 0x03025C61;
inline constexpr std::uint32_t kSecondEndRecordSignature = 0x06054141;
inline constexpr std::uint32_t kZip64EndRecordSignature = 0x06064B50;
inline constexpr std::uint32_t kZip64LocatorSignature = 0x07064B50;
inline constexpr std::uint32_t kDataDescriptorSignature = 0x08074B50;

struct RecordSignatures {
    std::uint32_t localHeader;
    std::uint32_t centralHeader;
    std::uint32_t endRecord;
};
inline constexpr RecordSignatures kStandardSignatures{kLocalHeaderSignature, kCentralHeaderSignature,
                                                      kEndRecordSignature};
inline constexpr RecordSignatures kSecondSignatures{kSecondLocalHeaderSignature, kSecondCentralHeaderSignature,
                                                    kSecondEndRecordSignature};

// The archiver's SignatureFamily byte: 0 selects the second family, anything else the standard one.
constexpr const RecordSignatures& SignaturesFor(std::uint8_t signatureFamily) noexcept {
    return signatureFamily != 0 ? kStandardSignatures : kSecondSignatures;
}
// An archive being written tells its family by the signature of its end record.
constexpr bool IsSecondFamilyEndRecord(std::uint32_t endRecordSignature) noexcept {
    return endRecordSignature == kSecondEndRecordSignature;
}

// A 32-bit or 16-bit field at its escape value has its real value in the Zip64 records.
inline constexpr std::uint32_t kEscape32 = 0xFFFFFFFF;
inline constexpr std::uint16_t kEscape16 = 0xFFFF;
// The largest values still written in place.
inline constexpr std::uint64_t kMaxPlain32 = 0xFFFFFFFE;
inline constexpr std::uint64_t kMaxPlain16 = 65534;
constexpr bool NeedsEscape32(std::uint64_t value) noexcept { return value > kMaxPlain32; }
constexpr bool NeedsEscape16(std::uint64_t value) noexcept { return value > kMaxPlain16; }

// Extra field IDs the library interprets.
inline constexpr std::uint16_t kZip64ExtraId = 0x0001;
inline constexpr std::uint16_t kAesExtraId = 0x9901;
inline constexpr std::uint16_t kUnicodeNameExtraId = 0x554E;  // "NU"
inline constexpr std::uint16_t kUnicodePathExtraId = 0x7075;  // "up", other tools' UTF-8 name
inline constexpr std::uint32_t kUnicodeNameTag = 0x5843554E;  // "NUCX"
inline constexpr std::uint16_t kAesVendorId = 0x4541;         // "AE"

// Versions made by and needed, both set to the same value on every item written.
inline constexpr std::uint16_t kVersionOemNames = 20;
inline constexpr std::uint16_t kVersionAnsiNames = 0x0B14;  // host byte 11, version 2.0
inline constexpr std::uint16_t kVersionZip64 = 45;
inline constexpr std::uint16_t kVersionSecondFamily = 0x4114;
inline constexpr std::uint16_t kVersionSecondFamilyZip64 = 0x412D;

constexpr std::uint16_t ItemVersion(bool secondFamily, bool oemFileNames, bool needsZip64) noexcept {
    if (secondFamily) return needsZip64 ? kVersionSecondFamilyZip64 : kVersionSecondFamily;
    if (needsZip64) return kVersionZip64;
    return oemFileNames ? kVersionOemNames : kVersionAnsiNames;
}
// Below 0x4114 an item follows the standard conventions: flag bit 0 alone is traditional
// encryption, and an AES extra field upgrades it to AES.
constexpr bool UsesStandardEncryption(std::uint16_t versionNeeded) noexcept {
    return versionNeeded < kVersionSecondFamily;
}

// General purpose flag bits.
inline constexpr std::uint16_t kFlagEncrypted = 1u << 0;
inline constexpr std::uint16_t kFlagDirectoryEntry = 1u << 1;
inline constexpr std::uint16_t kFlagDataDescriptor = 1u << 3;
// Set by other tools, never by this library: the item's 8-bit name is UTF-8. Its name is read
// and written back so.
inline constexpr std::uint16_t kFlagUtf8Names = 1u << 11;

inline constexpr std::uint16_t kMethodStored = 0;
inline constexpr std::uint16_t kMethodDeflate = 8;
inline constexpr std::uint16_t kMethodDeflate64 = 9;  // recognised, not supported
inline constexpr std::uint16_t kMethodAes = 99;

// External attributes: Windows file attribute bits.
inline constexpr std::uint32_t kAttrDirectory = 0x10;
inline constexpr std::uint32_t kAttrArchive = 0x20;

// The end record, with its comment, must lie inside this many bytes at the end of the file.
inline constexpr std::size_t kEndRecordSearchWindow = 65600;

}  // namespace ziplib
