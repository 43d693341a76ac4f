#include "format/DataDescriptor.h"

#include "format/ByteReader.h"
#include "format/ByteWriter.h"
#include "format/ZipConstants.h"

namespace ziplib {

std::optional<DataDescriptor> DataDescriptor::Parse(std::span<const std::uint8_t> bytes, bool hasSignature,
                                                    bool zip64Sizes) noexcept {
    ByteReader r(bytes);
    DataDescriptor d;
    d.hasSignature = hasSignature;
    d.zip64Sizes = zip64Sizes;
    if (hasSignature) d.signature = r.U32();
    d.crc32 = r.U32();
    d.compressedSize = zip64Sizes ? r.U64() : r.U32();
    d.uncompressedSize = zip64Sizes ? r.U64() : r.U32();
    if (!r.ok()) return std::nullopt;
    return d;
}

bool DataDescriptor::Write(ByteWriter& out) const {
    if (!zip64Sizes && (compressedSize > kEscape32 || uncompressedSize > kEscape32)) return false;
    if (hasSignature) out.U32(signature);
    out.U32(crc32);
    if (zip64Sizes) {
        out.U64(compressedSize);
        out.U64(uncompressedSize);
    } else {
        out.U32(static_cast<std::uint32_t>(compressedSize));
        out.U32(static_cast<std::uint32_t>(uncompressedSize));
    }
    return true;
}

}  // namespace ziplib
