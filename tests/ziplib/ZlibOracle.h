// zlib as the archive library's oracle: raw deflate data (the form items hold, without zlib's
// header and trailer), its inflate, and CRC-32 as zlib computes them, so that a fault in the
// library's own codecs or checksum cannot hide behind itself.
#pragma once

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zliboracle {

using Bytes = std::vector<std::uint8_t>;

// The whole input deflated in one pass at `level` (0 gives stored blocks).
inline Bytes RawDeflate(std::span<const std::uint8_t> in, int level = 6) {
    z_stream s{};
    EXPECT_EQ(deflateInit2(&s, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
    Bytes out(deflateBound(&s, in.size()));
    s.next_in = const_cast<Bytef*>(in.data());
    s.avail_in = static_cast<uInt>(in.size());
    s.next_out = out.data();
    s.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&s, Z_FINISH), Z_STREAM_END);
    out.resize(s.total_out);
    deflateEnd(&s);
    return out;
}

inline Bytes RawDeflate(const Bytes& in, int level = 6) { return RawDeflate(std::span<const std::uint8_t>(in), level); }

inline Bytes RawDeflate(std::string_view in, int level = 6) {
    return RawDeflate(std::span(reinterpret_cast<const std::uint8_t*>(in.data()), in.size()), level);
}

// The inflated bytes of a complete raw deflate stream that inflates to at most `size` bytes;
// none when the stream is damaged, cut short or longer.
inline std::optional<std::string> RawInflate(std::span<const std::uint8_t> in, std::size_t size) {
    z_stream s{};
    if (inflateInit2(&s, -MAX_WBITS) != Z_OK) return std::nullopt;
    std::string out(size + 1, '\0');
    s.next_in = const_cast<Bytef*>(in.data());
    s.avail_in = static_cast<uInt>(in.size());
    s.next_out = reinterpret_cast<Bytef*>(out.data());
    s.avail_out = static_cast<uInt>(out.size());
    const int rc = inflate(&s, Z_FINISH);
    out.resize(s.total_out);
    inflateEnd(&s);
    if (rc != Z_STREAM_END) return std::nullopt;
    return out;
}

inline std::uint32_t Crc32(std::string_view s) {
    return static_cast<std::uint32_t>(
        crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(s.data()), static_cast<uInt>(s.size())));
}

}  // namespace zliboracle
