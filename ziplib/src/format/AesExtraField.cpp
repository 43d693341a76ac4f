#include "format/AesExtraField.h"

#include "format/ByteReader.h"
#include "format/ByteWriter.h"

namespace ziplib {

std::optional<AesExtraField> AesExtraField::Parse(std::span<const std::uint8_t> data) noexcept {
    ByteReader r(data);
    AesExtraField a;
    a.vendorVersion = r.U16At(0);
    a.vendorId = r.U16At(2);
    a.keyStrength = r.U8At(4);
    a.method = r.U16At(5);
    if (!r.ok()) return std::nullopt;
    return a;
}

ExtraField AesExtraField::ToExtraField() const {
    ByteWriter w;
    const std::size_t at = w.Zeros(kDataSize);
    w.PutU16(at + 0, vendorVersion);
    w.PutU16(at + 2, vendorId);
    w.PutU8(at + 4, keyStrength);
    w.PutU16(at + 5, method);
    return {kAesExtraId, w.Take()};
}

}  // namespace ziplib
