// Guards the inflate of items: no output is lost when a chunk's input is used up while the output
// buffer came back full (items of a size near a multiple of the buffer), however the input is
// chunked; bad, truncated and cancelled streams are told apart; the one-shot inflate gives the
// same bytes and never writes past its buffer.
#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>
#include <vector>

#include "ZlibOracle.h"
#include "codec/BufferInflater.h"
#include "codec/RawInflater.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using ziplib::BufferInflateStatus;
using ziplib::InflateStatus;
// zlib itself as the writer, so a fault in our deflate side cannot hide one here.
using zliboracle::RawDeflate;

enum class Kind { Zeros, Text, Random };

Bytes Make(Kind kind, std::size_t n) {
    Bytes v(n);
    std::mt19937 gen(static_cast<unsigned>(n));
    for (std::size_t i = 0; i < n; ++i) {
        switch (kind) {
            case Kind::Zeros: v[i] = 0; break;
            case Kind::Text: v[i] = static_cast<std::uint8_t>("abcdefgh ijkl"[(i * 7 + i / 1000) % 13]); break;
            case Kind::Random: v[i] = static_cast<std::uint8_t>(gen()); break;
        }
    }
    return v;
}

struct Inflated {
    InflateStatus status;
    Bytes out;
};

// Feeds the stream in chunks of `chunk` bytes, as the engine reads an item, until it ends.
Inflated InflateInChunks(ziplib::RawInflater& inf, const Bytes& comp, std::size_t chunk, std::size_t outSize) {
    Inflated r{InflateStatus::NeedInput, {}};
    Bytes buf(outSize);
    const auto sink = [&](std::span<const std::uint8_t> p) {
        r.out.insert(r.out.end(), p.begin(), p.end());
        return true;
    };
    for (std::size_t at = 0; at < comp.size() && r.status == InflateStatus::NeedInput; at += chunk) {
        const std::size_t n = std::min(chunk, comp.size() - at);
        r.status = inf.Inflate(std::span(comp).subspan(at, n), buf, sink);
    }
    return r;
}

TEST(RawInflater, OutputNearMultiplesOfTheBufferIsComplete) {
    const std::size_t buffer = 4096;
    for (Kind kind : {Kind::Zeros, Kind::Text, Kind::Random}) {
        for (std::size_t size : {buffer - 1, buffer, buffer + 1, buffer + 2, 2 * buffer, 2 * buffer + 1,
                                 3 * buffer + 258}) {
            const Bytes data = Make(kind, size);
            const Bytes comp = RawDeflate(data);
            for (std::size_t chunk : {comp.size(), std::size_t{1000}, std::size_t{1}}) {
                SCOPED_TRACE(testing::Message() << "kind " << static_cast<int>(kind) << " size " << size
                                                << " chunk " << chunk);
                ziplib::RawInflater inf;
                const Inflated r = InflateInChunks(inf, comp, chunk, buffer);
                EXPECT_EQ(r.status, InflateStatus::StreamEnd);
                EXPECT_TRUE(r.out == data);
                EXPECT_EQ(inf.TotalOut(), size);
                EXPECT_EQ(inf.TotalIn(), comp.size());
                EXPECT_TRUE(inf.Finished());
            }
        }
    }
}

// The engine's own sizes: one input chunk holding the whole item and a 1 MiB output buffer.
// In these items the last bytes are still inside zlib when the chunk is used up and the buffer
// came back full (checked against a loop that stops there: it loses them).
TEST(RawInflater, ItemsJustOverMebibytesInOneChunk) {
    const std::size_t mib = 1 << 20;
    struct Case { Kind kind; std::size_t size; };
    for (const Case& c : {Case{Kind::Text, mib}, Case{Kind::Text, mib + 1}, Case{Kind::Text, mib + 3},
                          Case{Kind::Zeros, 2 * mib + 1}, Case{Kind::Zeros, 3 * mib + 1}}) {
        SCOPED_TRACE(testing::Message() << "kind " << static_cast<int>(c.kind) << " size " << c.size);
        const Bytes data = Make(c.kind, c.size);
        const Bytes comp = RawDeflate(data);
        ASSERT_LE(comp.size(), mib);
        ziplib::RawInflater inf;
        const Inflated r = InflateInChunks(inf, comp, mib, mib);
        EXPECT_EQ(r.status, InflateStatus::StreamEnd);
        EXPECT_EQ(r.out.size(), c.size);
        EXPECT_TRUE(r.out == data);
    }
}

TEST(RawInflater, BadTruncatedAndTrailingInput) {
    const Bytes data = Make(Kind::Text, 50000);
    const Bytes comp = RawDeflate(data);
    Bytes buf(4096);
    const auto ignore = [](std::span<const std::uint8_t>) { return true; };
    {
        SCOPED_TRACE("bytes after the end of the stream are left unused");
        Bytes more = comp;
        more.insert(more.end(), {'P', 'K', 3, 4, 0, 0});
        ziplib::RawInflater inf;
        EXPECT_EQ(inf.Inflate(more, buf, ignore), InflateStatus::StreamEnd);
        EXPECT_EQ(inf.TotalIn(), comp.size());
        EXPECT_EQ(inf.TotalOut(), data.size());
        EXPECT_EQ(inf.Inflate(more, buf, ignore), InflateStatus::StreamEnd);
    }
    {
        SCOPED_TRACE("a truncated stream asks for more input");
        ziplib::RawInflater inf;
        EXPECT_EQ(inf.Inflate(std::span(comp).first(comp.size() - 10), buf, ignore), InflateStatus::NeedInput);
        EXPECT_FALSE(inf.Finished());
        EXPECT_LT(inf.TotalOut(), data.size());
        EXPECT_EQ(inf.Inflate({}, buf, ignore), InflateStatus::NeedInput);
    }
    {
        SCOPED_TRACE("a reserved block type is bad data, and stays so");
        Bytes bad = comp;
        bad[0] = 0x07;  // final block, type 3
        ziplib::RawInflater inf;
        EXPECT_EQ(inf.Inflate(bad, buf, ignore), InflateStatus::DataError);
        EXPECT_EQ(inf.Inflate(comp, buf, ignore), InflateStatus::DataError);
    }
    {
        SCOPED_TRACE("an empty stream ends without output");
        ziplib::RawInflater inf;
        bool called = false;
        EXPECT_EQ(inf.Inflate(Bytes{0x03, 0x00}, buf, [&](auto) { return called = true; }), InflateStatus::StreamEnd);
        EXPECT_FALSE(called);
        EXPECT_EQ(inf.TotalOut(), 0u);
    }
}

TEST(RawInflater, SinkStopsAtOnceAndResetStartsAnotherStream) {
    const Bytes a = Make(Kind::Text, 100000), b = Make(Kind::Random, 30000);
    const Bytes ca = RawDeflate(a), cb = RawDeflate(b);
    Bytes buf(4096);
    ziplib::RawInflater inf;
    int calls = 0;
    EXPECT_EQ(inf.Inflate(ca, buf, [&](auto) { return ++calls, false; }), InflateStatus::Stopped);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(inf.TotalOut(), buf.size());

    inf.Reset();
    EXPECT_EQ(inf.TotalIn(), 0u);
    const Inflated r = InflateInChunks(inf, cb, 777, 4096);
    EXPECT_EQ(r.status, InflateStatus::StreamEnd);
    EXPECT_TRUE(r.out == b);
}

TEST(RawInflater, EmptyOutputBufferIsRefused) {
    ziplib::RawInflater inf;
    EXPECT_THROW(inf.Inflate(Bytes{0x03, 0x00}, {}, [](auto) { return true; }), std::invalid_argument);
}

// Streams the streaming and the one-shot inflate must read alike: stored blocks, several blocks
// with sync markers (the form items are written in), and the usual kinds of content.
std::vector<std::pair<std::string, Bytes>> SampleStreams() {
    std::vector<std::pair<std::string, Bytes>> v;
    v.emplace_back("empty", Bytes{});
    v.emplace_back("zeros", Make(Kind::Zeros, 300000));
    v.emplace_back("text", Make(Kind::Text, 1 << 20));
    v.emplace_back("random", Make(Kind::Random, 200001));
    v.emplace_back("stored", Make(Kind::Text, 70000));
    return v;
}

Bytes Compress(const std::string& name, const Bytes& data) {
    if (name == "stored") return RawDeflate(data, 0);
    if (name != "text") return RawDeflate(data);
    // Blocks of 256 KiB each closed by a sync flush, the last one finishing the stream.
    z_stream s{};
    deflateInit2(&s, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    Bytes out(deflateBound(&s, data.size()) + 1024);
    s.next_out = out.data();
    s.avail_out = static_cast<uInt>(out.size());
    for (std::size_t at = 0; at < data.size(); at += 262144) {
        const std::size_t n = std::min<std::size_t>(262144, data.size() - at);
        s.next_in = const_cast<Bytef*>(data.data() + at);
        s.avail_in = static_cast<uInt>(n);
        deflate(&s, at + n == data.size() ? Z_FINISH : Z_SYNC_FLUSH);
    }
    out.resize(s.total_out);
    deflateEnd(&s);
    return out;
}

TEST(BufferInflater, SameBytesAsStreamingAndBoundedOutput) {
    ziplib::BufferInflater one;
    for (const auto& [name, data] : SampleStreams()) {
        SCOPED_TRACE(name);
        const Bytes comp = Compress(name, data);
        ziplib::RawInflater inf;
        const Inflated streamed = InflateInChunks(inf, comp, 1 << 20, 1 << 20);
        ASSERT_EQ(streamed.status, InflateStatus::StreamEnd);

        Bytes out(data.size());
        const auto r = one.Inflate(comp, out);
        ASSERT_EQ(r.status, BufferInflateStatus::Done);
        EXPECT_EQ(r.consumed, comp.size());
        EXPECT_EQ(r.produced, data.size());
        EXPECT_TRUE(out == streamed.out);
        EXPECT_TRUE(out == data);

        // A larger buffer: the stream ends where it ends.
        Bytes roomy(data.size() + 100, 0xEE);
        EXPECT_EQ(one.Inflate(comp, roomy).produced, data.size());
        EXPECT_EQ(roomy.back(), 0xEE);

        if (!data.empty()) {
            // One byte short: refused, nothing written past the buffer (the guard byte survives).
            Bytes tight(data.size());
            tight.push_back(0xA5);
            EXPECT_EQ(one.Inflate(comp, std::span(tight).first(data.size() - 1)).status,
                      BufferInflateStatus::OutputTooSmall);
            EXPECT_EQ(tight.back(), 0xA5);
        }
        // Truncated: a failure for both (streaming just waits for input that never comes; the
        // one-shot inflate reads zeros past the end, which may also overrun the buffer).
        if (comp.size() > 4) {
            const auto cut = std::span(comp).first(comp.size() - 3);
            EXPECT_NE(one.Inflate(cut, out).status, BufferInflateStatus::Done);
            ziplib::RawInflater inf2;
            EXPECT_NE(inf2.Inflate(cut, out, [](auto) { return true; }), InflateStatus::StreamEnd);
        }
    }
}

TEST(BufferInflater, BadDataIsAnErrorForBoth) {
    Bytes bad = RawDeflate(Make(Kind::Text, 5000));
    bad[0] = 0x07;
    Bytes out(5000);
    ziplib::BufferInflater one;
    EXPECT_EQ(one.Inflate(bad, out).status, BufferInflateStatus::DataError);
    EXPECT_EQ(one.Inflate({}, out).status, BufferInflateStatus::DataError);
    ziplib::RawInflater inf;
    EXPECT_EQ(inf.Inflate(bad, out, [](auto) { return true; }), InflateStatus::DataError);
}

}  // namespace
