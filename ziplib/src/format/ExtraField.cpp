#include "format/ExtraField.h"

#include <algorithm>
#include <utility>

#include "format/ByteReader.h"
#include "format/ByteWriter.h"

namespace ziplib {

std::vector<ExtraField> ParseExtraFields(std::span<const std::uint8_t> area) {
    std::vector<ExtraField> fields;
    ByteReader r(area);
    while (r.remaining() >= kExtraFieldHeaderSize) {
        ExtraField f;
        f.id = r.U16();
        const std::uint16_t declared = r.U16();
        const auto data = r.Bytes(std::min<std::size_t>(declared, r.remaining()));
        f.data.assign(data.begin(), data.end());
        fields.push_back(std::move(f));
    }
    return fields;
}

std::size_t ExtraFieldsLength(std::span<const ExtraField> fields) noexcept {
    std::size_t total = 0;
    for (const auto& f : fields) total += kExtraFieldHeaderSize + f.data.size();
    return total;
}

bool WriteExtraField(ByteWriter& out, const ExtraField& field) {
    if (field.data.size() > kMaxExtraData) return false;
    out.U16(field.id);
    out.U16(field.DataSize());
    out.Bytes(field.data);
    return true;
}

bool WriteExtraFields(ByteWriter& out, std::span<const ExtraField> fields) {
    for (const auto& f : fields)
        if (f.data.size() > kMaxExtraData) return false;
    for (const auto& f : fields) WriteExtraField(out, f);
    return true;
}

}  // namespace ziplib
