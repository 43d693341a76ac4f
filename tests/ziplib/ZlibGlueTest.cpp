// Guards the zlib glue: negative zlib results raise the right exception with the one message,
// the stream header of each compression mode is valid zlib, and raw deflate gives exactly the
// bytes of zlib's wrapped output without header and trailer, whatever the buffer and flushes.
#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>
#include <vector>

#include "codec/RawDeflater.h"
#include "codec/RawInflater.h"
#include "codec/ZlibGlue.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes SampleText(std::size_t n) {
    Bytes v;
    std::mt19937 gen(3);
    const char* words[] = {"archive ", "item ", "deflate ", "книга ", "the ", "of ", "\n"};
    while (v.size() < n) {
        const char* w = words[gen() % 7];
        v.insert(v.end(), w, w + std::char_traits<char>::length(w));
    }
    v.resize(n);
    return v;
}

Bytes Append(Bytes a, std::span<const std::uint8_t> b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes RawDeflate(ziplib::RawDeflater& d, const Bytes& in, ziplib::RawDeflater::Flush flush, std::size_t outSize) {
    Bytes out, buf(outSize);
    d.Deflate(in, flush, buf, [&](std::span<const std::uint8_t> p) {
        out = Append(std::move(out), p);
        return true;
    });
    return out;
}

Bytes RawInflateAll(const Bytes& in) {
    ziplib::RawInflater inf;
    Bytes out, buf(65536);
    EXPECT_EQ(inf.Inflate(in, buf,
                          [&](std::span<const std::uint8_t> p) {
                              out = Append(std::move(out), p);
                              return true;
                          }),
              ziplib::InflateStatus::StreamEnd);
    return out;
}

TEST(ZlibGlue, ChecksPassNonNegativeResultsAndRaiseOnNegativeOnes) {
    for (int rc : {Z_OK, Z_STREAM_END, Z_NEED_DICT}) {
        EXPECT_EQ(ziplib::CCheck(rc), rc);
        EXPECT_EQ(ziplib::DCheck(rc), rc);
    }
    for (int rc : {Z_ERRNO, Z_STREAM_ERROR, Z_DATA_ERROR, Z_MEM_ERROR, Z_BUF_ERROR, Z_VERSION_ERROR}) {
        SCOPED_TRACE(rc);
        try {
            ziplib::CCheck(rc);
            ADD_FAILURE() << "CCheck did not raise";
        } catch (const ziplib::ECompressionError& e) {
            EXPECT_STREQ(e.what(), "error");
        }
        try {
            ziplib::DCheck(rc);
            ADD_FAILURE() << "DCheck did not raise";
        } catch (const ziplib::EDecompressionError& e) {
            EXPECT_STREQ(e.what(), "error");
        }
        EXPECT_THROW(ziplib::DCheck(rc), ziplib::EZlibError);
    }
}

TEST(ZlibGlue, HeaderForEachCompressionMode) {
    const std::uint16_t want[] = {0xDA78, 0x0178, 0x0178, 0x5E78, 0x5E78, 0x9C78, 0x9C78, 0xDA78, 0xDA78, 0xDA78};
    for (int mode = 0; mode <= 9; ++mode) {
        SCOPED_TRACE(mode);
        const std::uint16_t h = ziplib::ZlibHeaderForMode(mode);
        EXPECT_EQ(h, want[mode]);
        // A header zlib accepts: deflate with a 32 KiB window, check bits making it a multiple of 31.
        const unsigned first = h & 0xFF, second = h >> 8;
        EXPECT_EQ(first, 0x78u);
        EXPECT_EQ((first * 256 + second) % 31, 0u);
    }
    for (int mode : {-1, 10, 255}) EXPECT_EQ(ziplib::ZlibHeaderForMode(mode), 0) << mode;
}

// Raw deflate at any level, behind the mode's header, reads back through zlib's wrapped inflate
// (which never sees a trailer) as the same bytes the raw inflate gives.
TEST(ZlibGlue, HeaderInFrontOfRawDataReadsLikeRawInflate) {
    const Bytes text = SampleText(300000);
    for (int mode = 0; mode <= 9; ++mode) {
        SCOPED_TRACE(mode);
        ziplib::RawDeflater d(mode);
        const Bytes raw = RawDeflate(d, text, ziplib::RawDeflater::Flush::Finish, 1 << 20);
        const std::uint16_t h = ziplib::ZlibHeaderForMode(mode);
        Bytes wrapped{static_cast<std::uint8_t>(h & 0xFF), static_cast<std::uint8_t>(h >> 8)};
        wrapped = Append(std::move(wrapped), raw);

        z_stream s{};
        ASSERT_EQ(inflateInit(&s), Z_OK);
        Bytes out(text.size() + 16);
        s.next_in = wrapped.data();
        s.avail_in = static_cast<uInt>(wrapped.size());
        s.next_out = out.data();
        s.avail_out = static_cast<uInt>(out.size());
        EXPECT_GE(inflate(&s, Z_NO_FLUSH), 0);
        out.resize(s.total_out);
        inflateEnd(&s);
        EXPECT_EQ(out, text);
        EXPECT_EQ(RawInflateAll(raw), text);
    }
}

TEST(RawDeflater, GivesZlibsWrappedOutputWithoutHeaderAndTrailer) {
    const Bytes text = SampleText(200000);
    for (int level = 0; level <= 9; ++level) {
        SCOPED_TRACE(level);
        Bytes wrapped(compressBound(text.size()));
        uLongf len = wrapped.size();
        ASSERT_EQ(compress2(wrapped.data(), &len, text.data(), text.size(), level), Z_OK);
        const Bytes body(wrapped.begin() + 2, wrapped.begin() + static_cast<std::ptrdiff_t>(len) - 4);
        for (std::size_t outSize : {std::size_t{1} << 20, std::size_t{97}, std::size_t{1}}) {
            SCOPED_TRACE(outSize);
            ziplib::RawDeflater d(level);
            const Bytes raw = RawDeflate(d, text, ziplib::RawDeflater::Flush::Finish, outSize);
            EXPECT_EQ(d.TotalIn(), text.size());
            EXPECT_EQ(d.TotalOut(), raw.size());
            EXPECT_EQ(RawInflateAll(raw), text);
            // Level 0 sizes its stored blocks by the room left in the output, so only a buffer
            // as large as zlib's own gives its bytes there.
            if (level > 0 || outSize == std::size_t{1} << 20) {
                EXPECT_EQ(raw, body);
            }
        }
    }
}

// Blocks flushed one by one, as items are written: each ends on a sync marker and the whole
// reads back as one stream, also through an output buffer far smaller than a block.
TEST(RawDeflater, SyncFlushedBlocksFormOneStream) {
    const Bytes text = SampleText(700000);
    const std::size_t block = 262144;
    for (std::size_t outSize : {std::size_t{1} << 20, std::size_t{7}}) {
        SCOPED_TRACE(outSize);
        ziplib::RawDeflater d(6);
        Bytes stream;
        for (std::size_t at = 0; at < text.size(); at += block) {
            const bool last = at + block >= text.size();
            const Bytes piece(text.begin() + static_cast<std::ptrdiff_t>(at),
                              text.begin() + static_cast<std::ptrdiff_t>(std::min(at + block, text.size())));
            const Bytes out = RawDeflate(d, piece, last ? ziplib::RawDeflater::Flush::Finish
                                                        : ziplib::RawDeflater::Flush::Sync, outSize);
            if (!last) {
                ASSERT_GE(out.size(), 4u);
                EXPECT_EQ(Bytes(out.end() - 4, out.end()), (Bytes{0x00, 0x00, 0xFF, 0xFF}));
            }
            stream = Append(std::move(stream), out);
        }
        EXPECT_EQ(RawInflateAll(stream), text);
    }
}

TEST(RawDeflater, EmptyInputMakesAnEmptyStreamAndABadLevelRaises) {
    ziplib::RawDeflater d(6);
    const Bytes out = RawDeflate(d, {}, ziplib::RawDeflater::Flush::Finish, 64);
    EXPECT_EQ(out, (Bytes{0x03, 0x00}));
    EXPECT_TRUE(RawInflateAll(out).empty());
    EXPECT_THROW(ziplib::RawDeflater(10), ziplib::ECompressionError);
    EXPECT_THROW(ziplib::RawDeflater(-2), ziplib::ECompressionError);
}

TEST(RawDeflater, SinkCanStopTheStream) {
    ziplib::RawDeflater d(0);
    Bytes buf(100);
    int calls = 0;
    EXPECT_FALSE(d.Deflate(SampleText(10000), ziplib::RawDeflater::Flush::Finish, buf, [&](auto) {
        ++calls;
        return false;
    }));
    EXPECT_EQ(calls, 1);
}

}  // namespace
