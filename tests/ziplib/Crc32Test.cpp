// Guards the CRC-32 of ZIP: every built-in implementation gives zlib's register on any length,
// alignment and starting value, chunked updates equal one update, and the portable path can be
// forced from the environment.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "TempDir.h"
#include "ziplib/Crc32.h"

namespace ziplib {
// Names the implementation in failure messages.
void PrintTo(const Crc32Implementation& i, std::ostream* os) { *os << i.name; }
}  // namespace ziplib

namespace {

using ziplib::Crc32Implementation;

std::vector<std::uint8_t> RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::vector<std::uint8_t> v(n);
    for (auto& b : v) b = static_cast<std::uint8_t>(gen());
    return v;
}

// zlib's crc32 takes and returns the complemented register.
std::uint32_t ZlibRegister(std::uint32_t reg, const std::uint8_t* p, std::size_t n) {
    return ~static_cast<std::uint32_t>(crc32_z(~reg & 0xFFFFFFFFu, p, n));
}

TEST(Crc32, TableIsZlibs) {
    const z_crc_t* zt = get_crc_table();
    for (int n = 0; n < 256; ++n) EXPECT_EQ(ziplib::kCrc32Table[n], zt[n]) << n;
}

TEST(Crc32, KnownValues) {
    struct Case { const char* text; std::uint32_t crc; };
    const Case cases[] = {{"", 0}, {"a", 0xE8B7BE43}, {"123456789", 0xCBF43926},
                          {"The quick brown fox jumps over the lazy dog", 0x414FA339}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::uint32_t reg = 0xFFFFFFFF;
        ziplib::UpdateCRC32(c.text, static_cast<std::int64_t>(std::strlen(c.text)), reg);
        EXPECT_EQ(~reg, c.crc);
    }
}

TEST(Crc32, NullBufferAndLengthsBelowOneLeaveTheRegister) {
    const char data[] = "abc";
    for (std::int64_t len : {0, -1, -100}) {
        std::uint32_t reg = 0x12345678;
        ziplib::UpdateCRC32(data, len, reg);
        EXPECT_EQ(reg, 0x12345678u) << len;
    }
    std::uint32_t reg = 0x12345678;
    ziplib::UpdateCRC32(nullptr, 10, reg);
    EXPECT_EQ(reg, 0x12345678u);
}

TEST(Crc32, ChunkedUpdatesEqualOneUpdate) {
    const auto data = RandomBytes(1 << 20, 7);
    std::uint32_t whole = 0xFFFFFFFF;
    ziplib::UpdateCRC32(data.data(), static_cast<std::int64_t>(data.size()), whole);
    for (std::size_t piece : {1u, 3u, 63u, 64u, 255u, 4096u, 65535u, 1000003u}) {
        SCOPED_TRACE(piece);
        std::uint32_t reg = 0xFFFFFFFF;
        for (std::size_t at = 0; at < data.size(); at += piece) {
            const std::size_t n = std::min(piece, data.size() - at);
            ziplib::UpdateCRC32(data.data() + at, static_cast<std::int64_t>(n), reg);
        }
        EXPECT_EQ(reg, whole);
    }
    EXPECT_EQ(whole, ZlibRegister(0xFFFFFFFF, data.data(), data.size()));
}

TEST(Crc32, PortableCanBeForcedFromTheEnvironment) {
    {
        testsupport::EnvGuard env("ZIPLIB_FORCE_PORTABLE_CRC", "1");
        EXPECT_EQ(ziplib::ChooseCrc32Implementation().name, "portable");
    }
    {
        testsupport::EnvGuard env("ZIPLIB_FORCE_PORTABLE_CRC", "0");
        const auto all = ziplib::Crc32Implementations();
        const auto best = std::find_if(all.rbegin(), all.rend(), [](const auto& i) { return i.supported; });
        EXPECT_EQ(ziplib::ChooseCrc32Implementation().name, best->name);
    }
    EXPECT_TRUE(ziplib::ActiveCrc32Implementation().supported);
}

class Crc32Kernel : public testing::TestWithParam<Crc32Implementation> {
protected:
    void SetUp() override {
        if (!GetParam().supported) GTEST_SKIP() << GetParam().name << " is not supported by this CPU";
    }
    std::uint32_t Run(std::uint32_t reg, const std::uint8_t* p, std::size_t n) { return GetParam().update(reg, p, n); }
};

TEST_P(Crc32Kernel, EveryShortLengthAtEveryAlignment) {
    const auto data = RandomBytes(300 + 64, 11);
    const std::uint32_t starts[] = {0xFFFFFFFF, 0, 0x9E3779B9};
    for (std::size_t offset = 0; offset < 64; offset += (offset < 16 ? 1 : 15)) {
        for (std::size_t len = 0; len <= 300; ++len) {
            for (std::uint32_t start : starts) {
                const std::uint8_t* p = data.data() + offset;
                const std::uint32_t want = ZlibRegister(start, p, len);
                ASSERT_EQ(Run(start, p, len), want) << "offset " << offset << " length " << len << " start " << start;
                ASSERT_EQ(ziplib::Crc32Implementations().front().update(start, p, len), want);
            }
        }
    }
}

TEST_P(Crc32Kernel, LargeBuffersAndOddTails) {
    const auto data = RandomBytes((4 << 20) + 300 + 64, 13);  // room for the longest length at the largest offset
    for (std::size_t len : {std::size_t{1} << 20, (std::size_t{1} << 20) + 1, (std::size_t{3} << 20) + 255,
                            (std::size_t{4} << 20) + 299}) {
        for (std::size_t offset : {0, 1, 7, 33}) {
            SCOPED_TRACE(testing::Message() << "length " << len << " offset " << offset);
            const std::uint8_t* p = data.data() + offset;
            EXPECT_EQ(Run(0xFFFFFFFF, p, len), ZlibRegister(0xFFFFFFFF, p, len));
        }
    }
}

// Patterns that random data rarely has: long runs of 0x00 and 0xFF, and a single set bit.
TEST_P(Crc32Kernel, StructuredData) {
    for (std::uint8_t fill : {std::uint8_t{0x00}, std::uint8_t{0xFF}}) {
        std::vector<std::uint8_t> v(70000, fill);
        EXPECT_EQ(Run(0xFFFFFFFF, v.data(), v.size()), ZlibRegister(0xFFFFFFFF, v.data(), v.size()));
        v[v.size() / 2] ^= 0x10;
        EXPECT_EQ(Run(0xFFFFFFFF, v.data(), v.size()), ZlibRegister(0xFFFFFFFF, v.data(), v.size()));
    }
}

INSTANTIATE_TEST_SUITE_P(All, Crc32Kernel, testing::ValuesIn(ziplib::Crc32Implementations().begin(),
                                                             ziplib::Crc32Implementations().end()),
                         [](const testing::TestParamInfo<Crc32Implementation>& info) {
                             std::string n(info.param.name);
                             std::replace(n.begin(), n.end(), '-', '_');
                             return n;
                         });

}  // namespace
