#include "format/UnicodePathExtraField.h"

#include "format/ByteReader.h"
#include "ziplib/Crc32.h"

namespace ziplib {

std::optional<UnicodePathExtraField> UnicodePathExtraField::Parse(std::span<const std::uint8_t> data,
                                                                  std::span<const std::uint8_t> storedName) {
    ByteReader r(data);
    const std::uint8_t version = r.U8();
    const std::uint32_t crc = r.U32();
    if (!r.ok() || version != kVersion || r.remaining() == 0) return std::nullopt;
    std::uint32_t actual = 0xFFFFFFFFu;
    UpdateCRC32(storedName.data(), static_cast<std::int64_t>(storedName.size()), actual);
    if ((actual ^ 0xFFFFFFFFu) != crc) return std::nullopt;
    const auto name = data.subspan(data.size() - r.remaining());
    return UnicodePathExtraField{std::string(name.begin(), name.end())};
}

}  // namespace ziplib
