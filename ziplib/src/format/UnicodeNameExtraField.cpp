#include "format/UnicodeNameExtraField.h"

#include "format/ByteReader.h"
#include "format/ByteWriter.h"
#include "format/ZipConstants.h"

namespace ziplib {

std::optional<UnicodeNameExtraField> UnicodeNameExtraField::Parse(std::span<const std::uint8_t> data) {
    ByteReader r(data);
    if (r.U32() != kUnicodeNameTag || !r.ok()) return std::nullopt;
    const std::uint32_t count = r.U32();
    // The count is untrusted: check it against the data before sizing anything from it. A
    // name cut short could clash with another item's, so a short field is ignored instead.
    if (!r.ok() || count > r.remaining() / 2) return std::nullopt;
    UnicodeNameExtraField u;
    u.name.resize(count);
    for (auto& unit : u.name) unit = static_cast<char16_t>(r.U16());
    return u;
}

std::optional<ExtraField> UnicodeNameExtraField::ToExtraField() const {
    if (name.size() > kMaxUnits) return std::nullopt;
    ByteWriter w;
    w.U32(kUnicodeNameTag);
    w.U32(static_cast<std::uint32_t>(name.size()));
    for (const char16_t unit : name) w.U16(static_cast<std::uint16_t>(unit));
    return ExtraField{kUnicodeNameExtraId, w.Take()};
}

}  // namespace ziplib
