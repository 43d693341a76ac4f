#include "format/TUnicodeExtendedInfo.h"

#include "format/ByteReader.h"
#include "format/UnicodeNameExtraField.h"
#include "format/ZipConstants.h"

namespace ziplib {

bool TUnicodeExtendedInfo::ReadUnicodeName(std::span<const uint8_t> data) {
    ByteReader r(data);
    const uint32_t tag = r.U32();
    if (!r.ok()) return false;
    Signature = tag;
    if (tag != kUnicodeNameTag) return false;
    // The field's own parser refuses a count that asks for more units than the data holds.
    const auto field = UnicodeNameExtraField::Parse(data);
    if (!field) return false;
    Name = field->name;
    return true;
}

}  // namespace ziplib
