// Guards the ISA-L streaming inflate against zlib's: the same bytes for every kind of data and
// every way of cutting the input, output pending at the end of a chunk still delivered, and
// truncated, invalid and stopped streams told apart as RawInflater tells them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ZipFixtures.h"
#include "ZlibOracle.h"
#include "codec/RawInflater.h"
#if ZIPLIB_HAVE_ISAL
#include "codec/IsalInflater.h"
#endif

namespace {

#if ZIPLIB_HAVE_ISAL

using zipfixtures::Bytes;
using ziplib::InflateStatus;
using zliboracle::RawDeflate;

struct Result {
    InflateStatus status;
    std::string out;
};

template <typename Inflater>
Result InflateInChunks(Inflater& inf, const Bytes& comp, std::size_t chunk, std::size_t outSize) {
    Result r{InflateStatus::NeedInput, {}};
    Bytes buf(outSize);
    const auto sink = [&](std::span<const std::uint8_t> p) {
        r.out.append(reinterpret_cast<const char*>(p.data()), p.size());
        return true;
    };
    for (std::size_t at = 0; at < comp.size() && r.status == InflateStatus::NeedInput; at += chunk)
        r.status = inf.Inflate(std::span(comp).subspan(at, std::min(chunk, comp.size() - at)), buf, sink);
    return r;
}

TEST(IsalInflater, SameBytesAsZlibHoweverTheInputIsCut) {
    constexpr std::size_t kOut = 4096;
    struct Data {
        const char* name;
        std::string bytes;
    };
    std::vector<Data> data;
    for (std::size_t n : {std::size_t{0}, std::size_t{1}, kOut - 1, kOut, kOut + 1, 3 * kOut + 258, std::size_t{300000}}) {
        data.push_back({"text", zipfixtures::MakeText(n, static_cast<unsigned>(n))});
        data.push_back({"zeros", std::string(n, '\0')});
        data.push_back({"random", zipfixtures::MakeRandom(n, static_cast<unsigned>(n))});
    }
    ziplib::IsalInflater isal;  // one inflater for all: Reset must start each stream afresh
    for (const auto& d : data) {
        for (int level : {0, 1, 6, 9}) {
            const Bytes comp = RawDeflate(d.bytes, level);
            for (std::size_t chunk : {std::size_t{1}, std::size_t{1000}, comp.size() + 1}) {
                SCOPED_TRACE(std::string(d.name) + " " + std::to_string(d.bytes.size()) + " level " +
                             std::to_string(level) + " chunk " + std::to_string(chunk));
                ziplib::RawInflater zlib;
                const Result want = InflateInChunks(zlib, comp, chunk, kOut);
                isal.Reset();
                const Result got = InflateInChunks(isal, comp, chunk, kOut);
                ASSERT_EQ(want.status, InflateStatus::StreamEnd);
                EXPECT_EQ(got.status, InflateStatus::StreamEnd);
                EXPECT_TRUE(got.out == d.bytes) << got.out.size() << " of " << d.bytes.size();
                EXPECT_EQ(isal.TotalOut(), d.bytes.size());
                EXPECT_TRUE(isal.Finished());
            }
        }
    }
}

TEST(IsalInflater, TruncatedInvalidAndStoppedStreams) {
    const std::string text = zipfixtures::MakeText(200000, 3);
    const Bytes comp = RawDeflate(text, 6);
    ziplib::IsalInflater inf;
    {
        SCOPED_TRACE("truncated");
        const Bytes cut(comp.begin(), comp.begin() + static_cast<std::ptrdiff_t>(comp.size() / 2));
        const Result r = InflateInChunks(inf, cut, 777, 65536);
        EXPECT_EQ(r.status, InflateStatus::NeedInput);
        EXPECT_FALSE(inf.Finished());
        EXPECT_TRUE(text.compare(0, r.out.size(), r.out) == 0);
    }
    {
        SCOPED_TRACE("invalid block type");
        inf.Reset();
        const Bytes bad = {0xFF, 0xFF, 0xFF, 0xFF};
        const Result r = InflateInChunks(inf, bad, 4, 65536);
        EXPECT_EQ(r.status, InflateStatus::DataError);
        Bytes buf(16);
        EXPECT_EQ(inf.Inflate(comp, buf, [](auto) { return true; }), InflateStatus::DataError) << "stays broken";
    }
    {
        SCOPED_TRACE("stopped by the sink");
        inf.Reset();
        Bytes buf(4096);
        int passes = 0;
        EXPECT_EQ(inf.Inflate(comp, buf, [&](auto) { return ++passes < 3; }), InflateStatus::Stopped);
        EXPECT_EQ(passes, 3);
        EXPECT_EQ(inf.TotalOut(), 3u * 4096);
    }
}

#else

TEST(IsalInflater, NotBuilt) { GTEST_SKIP() << "the library was configured without ISA-L"; }

#endif

}  // namespace
