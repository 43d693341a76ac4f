// Guards AES items through the archiver's five steps: archives of each key strength made by 7z,
// stored and deflated, come out byte for byte; a wrong password is asked again through the
// password event and the default prompt; a flipped data or code byte fails the item and writes
// nothing; version 1 items have their CRC-32 checked as well as their code.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ArchiveFixtures.h"
#include "FiveSteps.h"
#include "TempDir.h"
#include "crypto/Sha1.h"
#include "crypto/TAESCryptoTransform.h"
#include "platform/Unicode.h"
#include "ziplib/EZAException.h"
#include "ziplib/TZipArchiver.h"

using namespace ziplib;
using namespace ziptest;
namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::TempDir;

namespace {

const std::string kPassword = "secret 1";
const fs::path kFixtures = fs::path(VB_TEST_DATA_DIR) / "aes";
constexpr std::uint32_t kDataBinCrc = 0x4e7352d8;

std::string Story() {
    std::string s;
    for (int i = 0; i < 60; ++i) s += "Line " + std::to_string(i) + " of a story about the sea and a ship.\r\n";
    return s;
}

std::string HexOf(const Sha1Digest& d) {
    static const char* digits = "0123456789abcdef";
    std::string s;
    for (std::uint8_t b : d) s += {digits[b >> 4], digits[b & 15]};
    return s;
}

// What the fixtures hold (see tests/data/README.md).
void ExpectFixtureFiles(const fs::path& out) {
    EXPECT_EQ(ReadFile(out / "docs/story.txt"), Story());
    EXPECT_EQ(ReadFile(out / "docs/short.txt"), "abc\r\n");
    EXPECT_EQ(ReadFile(out / "docs/empty.txt"), "");
    const std::string bin = ReadFile(out / "docs/data.bin");
    EXPECT_EQ(HexOf(Sha1Of({reinterpret_cast<const std::uint8_t*>(bin.data()), bin.size()})),
              "f83b7b2747b00c577b2e424559eb41011af2820b");
}

// An item of an archive, found through its central header.
struct ItemAt {
    std::size_t central, local, data, compressedSize;
};

ItemAt FindItem(const Bytes& b, const std::string& name) {
    std::size_t at = 0;
    while ((at = std::string_view(reinterpret_cast<const char*>(b.data()), b.size()).find("PK\x01\x02", at)) !=
           std::string_view::npos) {
        const auto u16 = [&](std::size_t p) { return std::size_t{b[p]} | (std::size_t{b[p + 1]} << 8); };
        const auto u32 = [&](std::size_t p) { return u16(p) | (u16(p + 2) << 16); };
        const std::string n(b.begin() + static_cast<std::ptrdiff_t>(at + 46),
                            b.begin() + static_cast<std::ptrdiff_t>(at + 46 + u16(at + 28)));
        if (n == name) {
            const std::size_t local = u32(at + 42);
            return {at, local, local + 30 + u16(local + 26) + u16(local + 28), u32(at + 20)};
        }
        at += 4;
    }
    ADD_FAILURE() << name << " not found";
    return {};
}

// Every AES extra field of the archive set to `vendor`.
void SetVendorVersion(Bytes& b, std::uint16_t vendor) {
    for (std::size_t i = 0; i + 6 < b.size(); ++i)
        if (b[i] == 0x01 && b[i + 1] == 0x99 && b[i + 2] == 7 && b[i + 3] == 0 && b[i + 6] == 'A' && b[i + 7] == 'E')
            Put16(b, i + 4, vendor);
}

void SetCrc(Bytes& b, const ItemAt& item, std::uint32_t crc) {
    Put32(b, item.central + 16, crc);
    Put32(b, item.local + 14, crc);
}

TEST(AesArchives, EachStrengthStoredAndDeflatedMadeBy7z) {
    TempDir dir;
    for (const char* bits : {"128", "192", "256"}) {
        for (const char* method : {"stored", "deflated"}) {
            const std::string name = std::string("aes") + bits + "-" + method + ".zip";
            SCOPED_TRACE(name);
            Extractor x;
            x.zip.SetPassword(kPassword);
            int asked = 0;
            x.zip.OnPassword = [&](TZABaseArchiver&, const std::u16string&, std::string&, bool& skip) {
                ++asked;
                skip = true;
            };
            const fs::path out = dir / name;
            const std::uint64_t before = TAESCryptoTransform::Derivations();
            x.Run(kFixtures / name, out);
            EXPECT_TRUE(x.failures.empty());
            EXPECT_EQ(asked, 0) << "the right password is never asked for";
            EXPECT_EQ(TAESCryptoTransform::Derivations() - before, 4u) << "one key derivation per item";
            ExpectFixtureFiles(out);

            Extractor t;
            t.zip.SetPassword(kPassword);
            t.Run(kFixtures / name, out, true);
            EXPECT_TRUE(t.failures.empty());
            EXPECT_TRUE(t.zip.BatchSucceeded());
        }
    }
}

TEST(AesArchives, WrongPasswordsAreAskedAgain) {
    TempDir dir;
    // Through the event: two wrong answers, then the right one, which the next items use too.
    Extractor x;
    x.zip.SetPassword("wrong");
    std::vector<std::string> answers = {"still wrong", "Secret 1", kPassword};
    std::vector<std::string> names;
    x.zip.OnPassword = [&](TZABaseArchiver&, const std::u16string& name, std::string& password, bool&) {
        names.push_back(platform::Utf16ToUtf8(name));
        password = answers.at(names.size() - 1);
    };
    const std::uint64_t before = TAESCryptoTransform::Derivations();
    x.Run(kFixtures / "aes256-deflated.zip", dir / "event");
    EXPECT_TRUE(x.failures.empty());
    EXPECT_EQ(TAESCryptoTransform::Derivations() - before, 4u + 3u) << "one per item, one per wrong password";
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names[0], names[2]);
    EXPECT_EQ(names[0].substr(0, 5), "docs\\");
    ExpectFixtureFiles(dir / "event");

    // Through the default prompt: a wrong answer, then Cancel, which skips that item only; the
    // next item asks again and gets the right one.
    ScriptedPrompter prompter;
    prompter.passwords = {"nope", std::nullopt, kPassword};
    Extractor d;
    d.zip.Prompter = &prompter;
    d.Run(kFixtures / "aes128-stored.zip", dir / "prompt");
    ASSERT_EQ(prompter.passwordWindows.size(), 3u);
    EXPECT_EQ(prompter.passwordWindows[0].second, "Enter password: ");
    EXPECT_EQ(prompter.passwordWindows[0].first.substr(0, 19), "Password for \"docs\\");
    ASSERT_EQ(d.failures.size(), 1u) << "the skipped item";
    std::size_t extracted = 0;
    for (const char* f : {"docs/story.txt", "docs/short.txt", "docs/empty.txt", "docs/data.bin"})
        extracted += fs::exists(dir / "prompt" / f);
    EXPECT_EQ(extracted, 3u);
}

TEST(AesArchives, FlippedDataOrCodeByteFailsTheItemAndWritesNothing) {
    TempDir dir;
    const Bytes good = LoadBytes(kFixtures / "aes256-stored.zip");
    const ItemAt item = FindItem(good, "docs/data.bin");
    struct Case { const char* what; std::size_t at; } cases[] = {
        {"salt", item.data + 3},
        {"data", item.data + 18 + 1500},
        {"last data byte", item.data + item.compressedSize - 11},
        {"authentication code", item.data + item.compressedSize - 10},
        {"last code byte", item.data + item.compressedSize - 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes b = good;
        b[c.at] ^= 0x20;
        WriteBytes(dir / "bad.zip", b);
        Extractor x;
        x.zip.SetPassword(kPassword);
        bool skipped = false;
        x.zip.OnPassword = [&](TZABaseArchiver&, const std::u16string&, std::string&, bool& skip) { skip = skipped = true; };
        const fs::path out = dir / c.what;
        x.Run(dir / "bad.zip", out);
        EXPECT_EQ(x.FailedNames(), std::vector<std::string>{"docs\\data.bin"});
        EXPECT_FALSE(fs::exists(out / "docs/data.bin"));
        EXPECT_EQ(ReadFile(out / "docs/story.txt"), Story());
        // A damaged salt makes the password look wrong; the rest reach the code check.
        EXPECT_EQ(skipped, std::string(c.what) == "salt");
    }
}

TEST(AesArchives, VendorVersionOneChecksTheCrcToo) {
    TempDir dir;
    Bytes v1 = LoadBytes(kFixtures / "aes192-deflated.zip");
    SetVendorVersion(v1, 1);
    SetCrc(v1, FindItem(v1, "docs/story.txt"), Crc(Story()));
    SetCrc(v1, FindItem(v1, "docs/short.txt"), Crc("abc\r\n"));
    SetCrc(v1, FindItem(v1, "docs/data.bin"), kDataBinCrc);
    {
        WriteBytes(dir / "v1.zip", v1);
        Extractor x;
        x.zip.SetPassword(kPassword);
        x.Run(dir / "v1.zip", dir / "v1");
        EXPECT_TRUE(x.failures.empty());
        ExpectFixtureFiles(dir / "v1");
    }
    // A wrong CRC with intact data and code, and a flipped code byte with the right CRC: both fail.
    Bytes badCrc = v1;
    SetCrc(badCrc, FindItem(badCrc, "docs/short.txt"), Crc("abc\r\n") ^ 1);
    Bytes badCode = v1;
    const ItemAt story = FindItem(badCode, "docs/story.txt");
    badCode[story.data + story.compressedSize - 5] ^= 1;
    for (const auto& [bytes, item] : {std::pair{badCrc, "docs\\short.txt"}, std::pair{badCode, "docs\\story.txt"}}) {
        SCOPED_TRACE(item);
        WriteBytes(dir / "bad.zip", bytes);
        Extractor x;
        x.zip.SetPassword(kPassword);
        x.Run(dir / "bad.zip", dir / "bad", true);
        EXPECT_EQ(x.FailedNames(), std::vector<std::string>{item});
    }
}

// Larger items than the fixtures: data read in several chunks, deflated items streamed.
TEST(AesArchives, LargeItemsMadeBy7z) {
    if (!HaveTool("7z")) GTEST_SKIP() << "7z is needed";
    TempDir dir;
    std::string text;
    for (std::uint64_t i = 0; text.size() < (9u << 20); ++i) text += "row " + std::to_string(i * 7919 % 100003) + "\n";
    std::string noise(3'000'001, '\0');
    for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<char>((i * 2654435761u) >> 13);
    testsupport::WriteFile(dir / "src/text.txt", text);
    testsupport::WriteFile(dir / "src/noise.bin", noise);
    for (const char* level : {"0", "5"}) {
        SCOPED_TRACE(level);
        const fs::path zip = dir / (std::string("large") + level + ".zip");
        testsupport::ExpectShell(dir / "src", std::string("7z a -tzip -mem=AES256 -mx=") + level + " -p'" + kPassword +
                                                  "' '" + zip.string() + "' text.txt noise.bin");
        Extractor x;
        x.zip.SetPassword(kPassword);
        x.Run(zip, dir / level);
        EXPECT_TRUE(x.failures.empty());
        EXPECT_TRUE(ReadFile(dir / level / "text.txt") == text);
        EXPECT_TRUE(ReadFile(dir / level / "noise.bin") == noise);
    }
}

}  // namespace
