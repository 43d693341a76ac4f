// Guards the traditional PKWARE cipher: items encrypted by Info-ZIP zip and by 7-Zip decrypt with
// the right password (code page 1251 for Cyrillic ones) and fail with a wrong one, and encryption
// and decryption are inverse however an item is split into chunks.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "TempDir.h"
#include "Tools.h"
#include "ZlibOracle.h"
#include "crypto/PkwareCrypto.h"
#include "ziplib/Crc32.h"

namespace {

using ziplib::TPkzipKeys;
using zliboracle::RawInflate;

std::uint32_t Le(const std::string& b, std::size_t at, int width) {
    std::uint32_t v = 0;
    for (int i = width - 1; i >= 0; --i) v = (v << 8) | static_cast<std::uint8_t>(b.at(at + i));
    return v;
}

// The first item of a one-item archive without comment, read by the fixed offsets of its records.
struct Item {
    std::uint16_t localFlags, localTime, method;
    std::uint32_t localCrc, crc, compressedSize, size;
    std::vector<std::uint8_t> data;
};

Item FirstItem(const std::string& zip) {
    const std::size_t eocd = zip.size() - 22;
    EXPECT_EQ(Le(zip, eocd, 4), 0x06054b50u);
    const std::size_t cd = Le(zip, eocd + 16, 4);
    EXPECT_EQ(Le(zip, cd, 4), 0x02014b50u);
    const std::size_t local = Le(zip, cd + 42, 4);
    EXPECT_EQ(Le(zip, local, 4), 0x04034b50u);
    Item it{};
    it.localFlags = static_cast<std::uint16_t>(Le(zip, local + 6, 2));
    it.method = static_cast<std::uint16_t>(Le(zip, local + 8, 2));
    it.localTime = static_cast<std::uint16_t>(Le(zip, local + 10, 2));
    it.localCrc = Le(zip, local + 14, 4);
    it.crc = Le(zip, cd + 16, 4);
    it.compressedSize = Le(zip, cd + 20, 4);
    it.size = Le(zip, cd + 24, 4);
    const std::size_t data = local + 30 + Le(zip, local + 26, 2) + Le(zip, local + 28, 2);
    it.data.assign(zip.begin() + static_cast<std::ptrdiff_t>(data),
                   zip.begin() + static_cast<std::ptrdiff_t>(data + it.compressedSize));
    return it;
}

enum class Outcome { Plain, CheckByteMismatch, BadData };

// What the reading engine does with an encrypted item: header check, then decryption over odd-sized
// chunks, then inflate (or copy) and the CRC.
Outcome Decrypt(Item it, const std::string& password, std::string& plain) {
    if (it.data.size() < ziplib::kPkwareHeaderSize) return Outcome::BadData;
    TPkzipKeys keys;
    std::span<std::uint8_t, ziplib::kPkwareHeaderSize> header(it.data.data(), ziplib::kPkwareHeaderSize);
    ziplib::DecryptHeader(password, keys, header);
    if (header[11] != ziplib::PkwareCheckByte(it.localFlags, it.localTime, it.localCrc))
        return Outcome::CheckByteMismatch;
    std::vector<std::uint8_t> body(it.data.begin() + ziplib::kPkwareHeaderSize, it.data.end());
    for (std::size_t at = 0; at < body.size(); at += 1021)
        ziplib::PkzipDecryptBuffer(body.data() + at, std::min<std::size_t>(1021, body.size() - at), keys);
    if (it.method == 8) {
        auto out = RawInflate(body, it.size);
        if (!out) return Outcome::BadData;
        plain = *out;
    } else {
        plain.assign(body.begin(), body.end());
    }
    std::uint32_t reg = 0xFFFFFFFF;
    ziplib::UpdateCRC32(plain.data(), static_cast<std::int64_t>(plain.size()), reg);
    return (~reg == it.crc && plain.size() == it.size) ? Outcome::Plain : Outcome::BadData;
}

struct ToolCase {
    const char* name;
    const char* tool;                // "zip" or "7z" (whose command line takes UTF-8 passwords only)
    std::vector<std::string> extra;  // options after the password
    const char* utf8Password;
    bool toStdout;  // zip streams to its stdout: the local header then carries no sizes
    bool emptyFile;
    bool expectDataDescriptor;
};

void PrintTo(const ToolCase& c, std::ostream* os) { *os << c.name; }

class PkwareFromTool : public testing::TestWithParam<ToolCase> {};

TEST_P(PkwareFromTool, RightPasswordDecryptsWrongOnesFail) {
    const ToolCase& c = GetParam();
    if (!testsupport::HaveTool(c.tool)) GTEST_SKIP() << c.tool << " is not installed";
    testsupport::TempDir dir;
    std::string original;
    if (!c.emptyFile)
        for (int i = 0; i < 20000; ++i) original += "line " + std::to_string(i * 7919 % 10007) + " of the text\n";
    testsupport::WriteFile(dir / "file.txt", original);

    const std::string password = ziplib::PkwarePasswordBytes(c.utf8Password);
    std::vector<std::string> args;
    if (std::string(c.tool) == "zip") {
        args = {"zip", "-q", "-P", password};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        args.push_back(c.toStdout ? "-" : "out.zip");
    } else {
        args = {"7z", "a", "-tzip", "-p" + password, "-mem=ZipCrypto"};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        args.push_back("out.zip");
    }
    args.push_back("file.txt");
    const auto out = c.toStdout ? dir / "out.zip" : dir / "tool.log";
    ASSERT_EQ(testsupport::RunTool(args, dir.path(), out), 0);

    const Item it = FirstItem(testsupport::ReadFile(dir / "out.zip"));
    ASSERT_TRUE(it.localFlags & 1) << "the item is not encrypted";
    ASSERT_EQ((it.localFlags & 8) != 0, c.expectDataDescriptor);

    std::string plain;
    EXPECT_EQ(Decrypt(it, password, plain), Outcome::Plain);
    EXPECT_EQ(plain, original);
    // An empty item has no data to fail its CRC, so only the check byte can refuse a wrong
    // password, and one in 256 passes it (the tool's header bytes are random): nothing to assert.
    if (c.emptyFile) return;
    for (const char* wrong : {"", "Secret", "secret ", "wrong", "пароль1"}) {
        SCOPED_TRACE(wrong);
        EXPECT_NE(Decrypt(it, ziplib::PkwarePasswordBytes(wrong), plain), Outcome::Plain);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Archives, PkwareFromTool,
    testing::Values(ToolCase{"ZipDeflated", "zip", {}, "secret", false, false, true},
                    ToolCase{"ZipStored", "zip", {"-0"}, "secret", false, false, true},
                    ToolCase{"ZipToPipe", "zip", {}, "secret", true, false, true},
                    ToolCase{"ZipCyrillicPassword", "zip", {}, "пароль", false, false, true},
                    ToolCase{"ZipEmptyFile", "zip", {}, "secret", false, true, true},
                    ToolCase{"SevenZipCrcCheckByte", "7z", {}, "secret", false, false, false}),
    [](const testing::TestParamInfo<ToolCase>& info) { return std::string(info.param.name); });

TEST(PkwareCrypto, EmptyPasswordLeavesTheInitialKeys) {
    TPkzipKeys keys;
    ziplib::InitKeys("", keys);
    EXPECT_EQ(keys.Key0, 0x12345678u);
    EXPECT_EQ(keys.Key1, 0x23456789u);
    EXPECT_EQ(keys.Key2, 0x34567890u);
}

TEST(PkwareCrypto, PasswordsGoThroughCodePage1251) {
    EXPECT_EQ(ziplib::PkwarePasswordBytes("secret"), "secret");
    EXPECT_EQ(ziplib::PkwarePasswordBytes("пароль"), "\xEF\xE0\xF0\xEE\xEB\xFC");
    EXPECT_EQ(ziplib::PkwarePasswordBytes("a€Ё密"), "a\x88\xA8?");
}

TEST(PkwareCrypto, EncryptionAndDecryptionAreInverseOverAnyChunking) {
    std::mt19937 gen(5);
    std::vector<std::uint8_t> original(10000);
    for (auto& b : original) b = static_cast<std::uint8_t>(gen());
    const std::size_t pieces[] = {1, 7, 12, 4096, original.size()};
    for (const char* password : {"", "a", "secret", "\xEF\xE0\xF0\xEE\xEB\xFC"}) {
        SCOPED_TRACE(password);
        TPkzipKeys keys;
        ziplib::InitKeys(password, keys);
        std::vector<std::uint8_t> whole = original;
        ziplib::PkzipEncryptRange(whole.data(), 0, whole.size(), keys);
        EXPECT_NE(whole, original);
        for (std::size_t piece : pieces) {
            SCOPED_TRACE(piece);
            std::vector<std::uint8_t> enc = original;
            ziplib::InitKeys(password, keys);
            for (std::size_t at = 0; at < enc.size(); at += piece)
                ziplib::PkzipEncryptRange(enc.data(), at, std::min(piece, enc.size() - at), keys);
            EXPECT_EQ(enc, whole);
            ziplib::InitKeys(password, keys);
            for (std::size_t at = 0; at < enc.size(); at += piece)
                ziplib::PkzipDecryptBuffer(enc.data() + at, std::min(piece, enc.size() - at), keys);
            EXPECT_EQ(enc, original);
        }
    }
}

TEST(PkwareCrypto, EncryptRangeTouchesOnlyItsRange) {
    std::vector<std::uint8_t> buf(64, 0xAA);
    TPkzipKeys keys;
    ziplib::InitKeys("pw", keys);
    ziplib::PkzipEncryptRange(buf.data(), 10, 20, keys);
    for (std::size_t i = 0; i < buf.size(); ++i)
        if (i < 10 || i >= 30) {
            EXPECT_EQ(buf[i], 0xAA) << i;
        }
    TPkzipKeys fresh;
    ziplib::InitKeys("pw", fresh);
    ziplib::PkzipDecryptBuffer(buf.data() + 10, 20, fresh);
    EXPECT_EQ(buf, std::vector<std::uint8_t>(64, 0xAA));
    EXPECT_EQ(fresh.Key0, keys.Key0);
    EXPECT_EQ(fresh.Key2, keys.Key2);
}

// A header written the way this library writes one (10 random bytes, then CRC bits 16-31)
// passes the check byte of an item without a data descriptor.
TEST(PkwareCrypto, HeaderCheckByteFollowsTheDataDescriptorFlag) {
    const std::uint32_t crc = 0xA1B2C3D4;
    const std::uint16_t time = 0x5E21;
    std::array<std::uint8_t, ziplib::kPkwareHeaderSize> header{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0xB2, 0xA1};
    TPkzipKeys keys;
    ziplib::InitKeys("pw", keys);
    ziplib::PkzipEncryptRange(header.data(), 0, header.size(), keys);
    ziplib::DecryptHeader("pw", keys, header);
    EXPECT_EQ(header[11], ziplib::PkwareCheckByte(0x0001, time, crc));

    struct Case { std::uint16_t flags; std::uint8_t want; };
    for (const Case& c : {Case{0x0000, 0xA1}, Case{0x0001, 0xA1}, Case{0x0008, 0x5E}, Case{0x0009, 0x5E},
                          Case{0x0800, 0xA1}}) {
        EXPECT_EQ(ziplib::PkwareCheckByte(c.flags, time, crc), c.want) << c.flags;
    }
}

}  // namespace
