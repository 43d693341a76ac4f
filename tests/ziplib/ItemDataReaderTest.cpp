// Guards the item-data engine: items made by other tools (stored, deflated, empty, Zip64, data
// descriptors, traditional encryption) decode byte for byte on every inflate path; a wrong
// password is asked again; damaged, truncated and oversized items fail for the right reason and
// never hand on more than their declared size; a cancel stops the item at once.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "TempDir.h"
#include "ZipFixtures.h"
#include "ZlibOracle.h"
#include "crypto/PkwareCrypto.h"
#include "engine/ItemDataReader.h"
#include "format/ByteWriter.h"
#include "format/LocalHeader.h"
#include "ziplib/Crc32.h"
#include "ziplib/EZAException.h"

namespace {

using namespace zipfixtures;
using zliboracle::RawDeflate;
using ziplib::ItemDataOptions;
using ziplib::ItemDataReader;
using ziplib::ItemDataStatus;
using ziplib::PasswordReply;
using ziplib::StreamingInflate;

struct Variant {
    const char* name;
    ItemDataOptions options;
};

void PrintTo(const Variant& v, std::ostream* os) { *os << v.name; }

const Variant kVariants[] = {
    {"OneShotThenFastestStream", {}},
    {"ZlibStreamOnly", {0, StreamingInflate::Zlib}},
    {"FastestStreamOnly", {0, StreamingInflate::Fastest}},
};

std::uint32_t Crc(std::string_view s) {
    std::uint32_t r = 0xFFFFFFFFu;
    ziplib::UpdateCRC32(s.data(), static_cast<std::int64_t>(s.size()), r);
    return ~r;
}

// One hand-made item: whatever sizes, CRC and flags a test wants, true or not.
struct RawItem {
    std::string name;
    std::uint16_t method = 0;
    Bytes data;  // as stored
    std::uint32_t crc = 0;
    std::uint32_t compressedSize = 0;
    std::uint32_t size = 0;
    std::uint16_t flags = 0;
};

RawItem StoredItem(std::string name, std::string_view content) {
    return {std::move(name), 0, Bytes(content.begin(), content.end()), Crc(content),
            static_cast<std::uint32_t>(content.size()), static_cast<std::uint32_t>(content.size())};
}

RawItem DeflatedItem(std::string name, std::string_view content) {
    Bytes d = RawDeflate(content);
    const auto n = static_cast<std::uint32_t>(d.size());
    return {std::move(name), 8, std::move(d), Crc(content), n, static_cast<std::uint32_t>(content.size())};
}

Archive BuildArchive(const std::vector<RawItem>& items) {
    ziplib::ByteWriter w;
    std::vector<std::uint32_t> offsets;
    for (const auto& it : items) {
        offsets.push_back(static_cast<std::uint32_t>(w.size()));
        ziplib::LocalHeader h;
        h.signature = ziplib::kLocalHeaderSignature;
        h.versionNeeded = 20;
        h.flags = it.flags;
        h.method = it.method;
        h.crc32 = it.crc;
        h.compressedSize = it.compressedSize;
        h.uncompressedSize = it.size;
        h.nameLength = static_cast<std::uint16_t>(it.name.size());
        h.Write(w);
        w.Bytes(it.name);
        w.Bytes(it.data);
    }
    const std::uint32_t cd = static_cast<std::uint32_t>(w.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        const auto& it = items[i];
        ziplib::CentralHeader h;
        h.signature = ziplib::kCentralHeaderSignature;
        h.versionMadeBy = 20;
        h.versionNeeded = 20;
        h.flags = it.flags;
        h.method = it.method;
        h.crc32 = it.crc;
        h.compressedSize = it.compressedSize;
        h.uncompressedSize = it.size;
        h.nameLength = static_cast<std::uint16_t>(it.name.size());
        h.localHeaderOffset = offsets[i];
        h.Write(w);
        w.Bytes(it.name);
    }
    ziplib::EndRecord e;
    e.signature = ziplib::kEndRecordSignature;
    e.entriesOnDisk = e.totalEntries = static_cast<std::uint16_t>(items.size());
    e.directorySize = static_cast<std::uint32_t>(w.size()) - cd;
    e.directoryOffset = cd;
    e.Write(w);
    return ParseArchive(w.Take());
}

struct Decoded {
    ziplib::ItemDataResult result;
    MemoryOutput out;
};

// Decodes one item of `a` as extraction does: stream at its local header, the archive's
// central directory start known.
Decoded Decode(ItemDataReader& reader, const Archive& a, const ziplib::TDirItem& item, ScriptedContext& ctx,
           MemoryOutput out = {}) {
    if (ctx.directoryStart < 0) ctx.directoryStart = a.directoryStart;
    auto s = StreamAt(a.bytes, ziplib::ItemLocalHeaderOffset(item));
    Decoded r{{}, std::move(out)};
    r.result = reader.Extract(*s, r.out, item, ctx);
    return r;
}

Decoded Decode(ItemDataReader& reader, const Archive& a, const ziplib::TDirItem& item) {
    ScriptedContext ctx;
    return Decode(reader, a, item, ctx);
}

// Files of sizes around the engine's 1 MiB chunks and its one-shot limit, and archives of them
// made by the tools, once for the whole suite.
struct ToolArchive {
    std::string name;
    Archive archive;
    std::string password;
};

struct Fixtures {
    std::map<std::u16string, std::string> files;
    std::vector<ToolArchive> archives;
    bool haveZip = false;
    bool have7z = false;
};

const Fixtures& Tools() {
    static const Fixtures f = [] {
        Fixtures f;
        f.haveZip = HaveTool("zip");
        f.have7z = HaveTool("7z");
        testsupport::TempDir dir;
        const std::map<std::string, std::string> small = {
            {"empty.txt", ""},
            {"one.txt", "x"},
            {"text.txt", MakeText(300000, 2)},
            {"mib.txt", MakeText(1u << 20, 3)},
            {"mib1.txt", MakeText((1u << 20) + 1, 4)},
            {"random.bin", MakeRandom(1500000)},
            {"zeros.bin", std::string(2u << 20, '\0')},
        };
        // Past the one-shot limit, so the default engine streams it too.
        const std::string big = MakeText((9u << 20) + 3, 5);
        std::string smallNames;
        for (const auto& [n, c] : small) {
            testsupport::WriteFile(dir / n, c);
            f.files[platform::Utf8ToUtf16(n)] = c;
            smallNames += " " + n;
        }
        testsupport::WriteFile(dir / "big.txt", big);
        f.files[u"big.txt"] = big;
        const auto add = [&](const std::string& name, const std::string& cmd, const std::string& pw = {}) {
            if (RunShell(dir.path(), cmd) != 0) {
                ADD_FAILURE() << "could not make " << name << ": " << cmd;
                return;
            }
            SCOPED_TRACE(name);
            f.archives.push_back({name, LoadArchive(dir / name), pw});
        };
        if (f.haveZip) {
            add("deflated.zip", "zip -q -X -6 deflated.zip" + smallNames + " big.txt");
            add("stored.zip", "zip -q -X -0 stored.zip" + smallNames);
            add("zip64.zip", "zip -q -X -fz zip64.zip" + smallNames);
            add("streamed.zip", "zip -q -X - " + smallNames + " big.txt | cat > streamed.zip");
            add("encrypted.zip", "zip -q -X -P secret encrypted.zip" + smallNames, "secret");
            add("encrypted-stored.zip", "zip -q -X -0 -P secret encrypted-stored.zip" + smallNames, "secret");
        }
        if (f.have7z) {
            add("7z.zip", "7z a -tzip -mx=5 7z.zip" + smallNames);
            add("7z-zipcrypto.zip", "7z a -tzip -psecret -mem=ZipCrypto 7z-zipcrypto.zip" + smallNames, "secret");
        }
        return f;
    }();
    return f;
}

const Archive& ToolArchiveNamed(const std::string& name) {
    for (const auto& a : Tools().archives)
        if (a.name == name) return a.archive;
    throw std::runtime_error("no fixture " + name);
}

class ItemDataEngine : public testing::TestWithParam<Variant> {};

TEST_P(ItemDataEngine, ToolMadeArchivesDecodeExactly) {
    const Fixtures& f = Tools();
    if (!f.haveZip) GTEST_SKIP() << "zip is not installed";
    // The fixtures must exercise what they are named after.
    const auto& z64 = ToolArchiveNamed("zip64.zip").Item(u"text.txt");
    EXPECT_EQ(z64.Header.uncompressedSize, ziplib::kEscape32);
    EXPECT_TRUE(ToolArchiveNamed("streamed.zip").Item(u"text.txt").Header.flags & ziplib::kFlagDataDescriptor);
    EXPECT_TRUE(ToolArchiveNamed("encrypted.zip").Item(u"text.txt").Header.flags & ziplib::kFlagEncrypted);

    ItemDataReader reader(GetParam().options);  // one engine for all: buffers are reused
    for (const auto& ta : f.archives) {
        for (const auto& item : ta.archive.items) {
            SCOPED_TRACE(ta.name + " " + platform::Utf16ToUtf8(item.Name));
            ScriptedContext ctx;
            ctx.password = ta.password;
            const Decoded r = Decode(reader, ta.archive, item, ctx);
            EXPECT_EQ(r.result.status, ItemDataStatus::Ok) << ziplib::ItemDataStatusText(r.result.status);
            const std::string& want = f.files.at(item.Name);
            EXPECT_TRUE(r.out.Text() == want) << "got " << r.out.data.size() << " bytes of " << want.size();
            EXPECT_EQ(ctx.asked, 0);
            // Progress ends at the item's size; an empty item counts against a total of 2.
            EXPECT_EQ(ctx.lastTotal, want.empty() ? 0u : want.size());
            if (!want.empty()) {
            EXPECT_EQ(ctx.lastPosition, want.size());
        }
        }
    }
    EXPECT_LT(reader.MemoryInUse(), std::size_t{24} << 20);
}

TEST_P(ItemDataEngine, DamagedItemsFailForTheirReason) {
    ItemDataReader reader(GetParam().options);
    const std::string text = MakeText(3u << 20, 9);  // streams in three chunks where asked to
    const RawItem stored = StoredItem("a", text);
    const RawItem deflated = DeflatedItem("a", text);
    struct Case {
        const char* name;
        RawItem item;
        std::function<void(Archive&)> damage;
        ItemDataStatus want;
        std::optional<std::size_t> wantOutput;
    };
    const auto flipData = [](std::size_t at) {
        return [at](Archive& a) { a.bytes[a.DataOffset(a.items[0]) + at] ^= 0x20; };
    };
    const auto cut = [](std::size_t keep) {
        return [keep](Archive& a) { a.bytes.resize(a.DataOffset(a.items[0]) + keep); };
    };
    std::vector<Case> cases = {
        {"stored, CRC in the directory wrong", stored, [](Archive& a) { a.items[0].Header.crc32 ^= 1; },
         ItemDataStatus::CrcMismatch, text.size()},
        {"deflated, CRC in the directory wrong", deflated,
         [](Archive& a) { a.items[0].Header.crc32 ^= 1; }, ItemDataStatus::CrcMismatch, text.size()},
        {"stored, a data byte flipped", stored, flipData(1000), ItemDataStatus::CrcMismatch, text.size()},
        {"stored, archive cut inside the data", stored, cut(1500000), ItemDataStatus::Truncated, 1500000},
        {"deflated, archive cut inside the data", deflated, cut(20000), ItemDataStatus::Truncated, {}},
        {"deflated, compressed size short of the stream", deflated,
         [](Archive& a) { a.items[0].Header.compressedSize -= 100; }, ItemDataStatus::Truncated, {}},
        {"stored, declared size too small", stored,
         [](Archive& a) { a.items[0].Header.uncompressedSize -= 1000; }, ItemDataStatus::TooLarge, text.size() - 1000},
        {"deflated, declared size too small", deflated,
         [](Archive& a) { a.items[0].Header.uncompressedSize -= 1000; }, ItemDataStatus::TooLarge, text.size() - 1000},
        {"deflated, declared size too large", deflated,
         [](Archive& a) { a.items[0].Header.uncompressedSize += 1; }, ItemDataStatus::WrongSize, text.size()},
        {"no local header at the offset", stored, [](Archive& a) { a.bytes[0] = 'X'; },
         ItemDataStatus::BadLocalHeader, 0},
        {"deflate data overwritten", deflated,
         [](Archive& a) {
             const std::size_t at = a.DataOffset(a.items[0]);
             for (std::size_t i = 100; i < 400; ++i) a.bytes[at + i] = 0xFF;
         },
         ItemDataStatus::DataError, {}},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        Archive a = BuildArchive({c.item});
        c.damage(a);
        const Decoded r = Decode(reader, a, a.items[0]);
        EXPECT_EQ(r.result.status, c.want) << ziplib::ItemDataStatusText(r.result.status);
        if (c.wantOutput) {
            EXPECT_EQ(r.out.data.size(), *c.wantOutput);
        }
        EXPECT_LE(r.out.data.size(), ziplib::ItemUncompressedSize(a.items[0]));
        // Whatever was handed on is the item's own data, in order.
        EXPECT_TRUE(r.out.Text() == text.substr(0, r.out.data.size()) || c.want == ItemDataStatus::DataError ||
                    c.want == ItemDataStatus::CrcMismatch);
    }
}

// A tiny stream of zeros that inflates to 16 MiB, in an item that claims 4 KiB: the output
// stops at 4 KiB, whichever inflate path the item takes.
TEST_P(ItemDataEngine, OutputNeverPassesTheDeclaredSize) {
    ItemDataReader reader(GetParam().options);
    RawItem bomb = DeflatedItem("bomb", std::string(16u << 20, '\0'));
    bomb.size = 4096;
    Archive a = BuildArchive({bomb});
    ScriptedContext ctx;
    const Decoded r = Decode(reader, a, a.items[0], ctx);
    EXPECT_EQ(r.result.status, ItemDataStatus::TooLarge);
    EXPECT_EQ(r.out.data.size(), 4096u);
    EXPECT_EQ(ctx.lastPosition, 4096u);
}

TEST_P(ItemDataEngine, CancelStopsTheItemAtOnce) {
    ItemDataReader reader(GetParam().options);
    const std::string text = MakeText(3u << 20, 11);
    for (const RawItem& item : {StoredItem("s", text), DeflatedItem("d", text)}) {
        SCOPED_TRACE(item.name);
        Archive a = BuildArchive({item});
        ScriptedContext ctx;
        ctx.cancelAtPosition = 1;
        const Decoded r = Decode(reader, a, a.items[0], ctx);
        EXPECT_EQ(r.result.status, ItemDataStatus::Cancelled);
        EXPECT_EQ(r.out.writes, 1) << "nothing after the write whose progress cancelled";
        EXPECT_EQ(ctx.progressCalls, 1);
    }
}

TEST_P(ItemDataEngine, ARefusedWriteStopsTheItem) {
    ItemDataReader reader(GetParam().options);
    const std::string text = MakeText(3u << 20, 12);
    for (const RawItem& item : {StoredItem("s", text), DeflatedItem("d", text)}) {
        SCOPED_TRACE(item.name);
        Archive a = BuildArchive({item});
        ScriptedContext ctx;
        MemoryOutput out;
        out.refuseAfter = 0;
        const Decoded r = Decode(reader, a, a.items[0], ctx, out);
        EXPECT_EQ(r.result.status, ItemDataStatus::WriteFailed);
        EXPECT_EQ(r.out.writes, 1);
        EXPECT_TRUE(r.out.data.empty());
    }
}

TEST_P(ItemDataEngine, EmptyItemsInEveryForm) {
    ItemDataReader reader(GetParam().options);
    RawItem noBytes{"no-bytes", 8, {}, 0, 0, 0};
    RawItem emptyStream{"empty-stream", 8, {0x03, 0x00}, 0, 2, 0};
    RawItem emptyStored = StoredItem("stored", "");
    Archive a = BuildArchive({noBytes, emptyStream, emptyStored});
    for (const auto& item : a.items) {
        SCOPED_TRACE(platform::Utf16ToUtf8(item.Name));
        ScriptedContext ctx;
        const Decoded r = Decode(reader, a, item, ctx);
        EXPECT_EQ(r.result.status, ItemDataStatus::Ok);
        EXPECT_TRUE(r.out.data.empty());
        EXPECT_EQ(r.result.crc, 0u);
    }
}

TEST_P(ItemDataEngine, DataContinuesOnTheNextVolume) {
    ItemDataReader reader(GetParam().options);
    const std::string text = MakeText(2500000, 13);
    for (const RawItem& item : {StoredItem("s", text), DeflatedItem("d", text)}) {
        SCOPED_TRACE(item.name);
        const Archive a = BuildArchive({item});
        // Two volumes: the first ends inside the item's data.
        const std::size_t split = a.DataOffset(a.items[0]) + item.data.size() / 3;
        const Bytes first(a.bytes.begin(), a.bytes.begin() + static_cast<std::ptrdiff_t>(split));
        const Bytes second(a.bytes.begin() + static_cast<std::ptrdiff_t>(split), a.bytes.end());
        ScriptedContext ctx;
        ctx.multiVolume = true;
        ctx.volumes.push_back(StreamAt(second, 0));
        auto s = StreamAt(first, 0);
        MemoryOutput out;
        const auto r = reader.Extract(*s, out, a.items[0], ctx);
        EXPECT_EQ(r.status, ItemDataStatus::Ok) << ziplib::ItemDataStatusText(r.status);
        EXPECT_EQ(ctx.volumesOpened, 1);
        EXPECT_TRUE(out.Text() == text);
    }
}

// A single-file archive cut short has no next volume: the data ends there, and the start of the
// file is never read as if it continued the item.
TEST_P(ItemDataEngine, ACutSingleFileArchiveEndsTheData) {
    ItemDataReader reader(GetParam().options);
    const std::string text = MakeText(200000, 14);
    Archive a = BuildArchive({StoredItem("s", text)});
    a.bytes.resize(a.DataOffset(a.items[0]) + 5000);
    ScriptedContext ctx;
    // What opening "the next volume" of a single file gives: the same file from its start.
    ctx.volumes.push_back(StreamAt(a.bytes, 0));
    const Decoded r = Decode(reader, a, a.items[0], ctx);
    EXPECT_EQ(r.result.status, ItemDataStatus::Truncated);
    EXPECT_TRUE(r.out.Text() == text.substr(0, 5000));
    EXPECT_EQ(ctx.volumesOpened, 0);
}

// A compressed size that runs into the central directory is cut where the directory starts.
TEST_P(ItemDataEngine, DataEndsAtTheCentralDirectory) {
    ItemDataReader reader(GetParam().options);
    const std::string text = MakeText(100000, 15);
    Archive a = BuildArchive({StoredItem("s", text)});
    a.items[0].Header.compressedSize += 40;  // the 40 bytes after the data are directory bytes
    {
        const Decoded r = Decode(reader, a, a.items[0]);
        EXPECT_EQ(r.result.status, ItemDataStatus::Ok);
        EXPECT_TRUE(r.out.Text() == text);
    }
    {
        ScriptedContext ctx;
        ctx.directoryStart = std::numeric_limits<std::int64_t>::max();  // as if it were unknown
        const Decoded r = Decode(reader, a, a.items[0], ctx);
        EXPECT_EQ(r.result.status, ItemDataStatus::TooLarge);
        EXPECT_TRUE(r.out.Text() == text);
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, ItemDataEngine, testing::ValuesIn(kVariants),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ItemDataEngineFormats, UnsupportedMethodsAndCiphers) {
    ItemDataReader reader;
    Archive a = BuildArchive({StoredItem("a", "some text")});
    {
        ziplib::TDirItem item = a.items[0];
        item.Method = item.Header.method = ziplib::kMethodDeflate64;
        try {
            Decode(reader, a, item);
            ADD_FAILURE() << "no exception for Deflate64";
        } catch (const ziplib::EZAException& e) {
            EXPECT_EQ(e.NativeError(), ziplib::ZAError::Deflate64NotSupported);
        }
    }
    struct Case {
        const char* name;
        std::function<void(ziplib::TDirItem&)> change;
        ItemDataStatus want;
    };
    const Case cases[] = {
        {"method 12", [](ziplib::TDirItem& i) { i.Method = i.Header.method = 12; }, ItemDataStatus::UnsupportedMethod},
        {"AES-256 shorter than its salt, verifier and code", [](ziplib::TDirItem& i) {
             i.Header.flags |= ziplib::kFlagEncrypted;
             i.Header.method = ziplib::kMethodAes;
             i.EncryptionStrength = 3;
         },
         ItemDataStatus::Truncated},
        {"AES strength without the encryption flag", [](ziplib::TDirItem& i) { i.EncryptionStrength = 2; },
         ItemDataStatus::UnsupportedEncryption},
        {"AES strength of the second family", [](ziplib::TDirItem& i) {
             i.Header.flags |= ziplib::kFlagEncrypted;
             i.Header.versionNeeded = ziplib::kVersionSecondFamily;
             i.EncryptionStrength = 1;
         },
         ItemDataStatus::UnsupportedEncryption},
        {"unknown cipher strength", [](ziplib::TDirItem& i) {
             i.Header.flags |= ziplib::kFlagEncrypted;
             i.EncryptionStrength = 7;
         },
         ItemDataStatus::UnsupportedEncryption},
        {"encrypted but shorter than its header", [](ziplib::TDirItem& i) { i.Header.flags |= ziplib::kFlagEncrypted; },
         ItemDataStatus::Truncated},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Archive b = BuildArchive({StoredItem("a", "tiny")});
        ziplib::TDirItem item = b.items[0];
        c.change(item);
        const Decoded r = Decode(reader, b, item);
        EXPECT_EQ(r.result.status, c.want);
        EXPECT_TRUE(r.out.data.empty());
    }
}

// Encrypted as a writer does it, but with fixed header bytes, so which wrong passwords pass
// the check byte is the same on every run.
RawItem Encrypted(RawItem item, std::string_view password) {
    ziplib::TPkzipKeys keys;
    ziplib::InitKeys(password, keys);
    Bytes enc(12 + item.data.size(), 0x5A);
    enc[11] = static_cast<std::uint8_t>(item.crc >> 24);  // no data descriptor: the CRC's high byte
    std::copy(item.data.begin(), item.data.end(), enc.begin() + 12);
    ziplib::PkzipEncryptRange(enc.data(), 0, enc.size(), keys);
    item.data = std::move(enc);
    item.compressedSize += 12;
    item.flags |= ziplib::kFlagEncrypted;
    return item;
}

bool PassesCheckByte(const RawItem& item, std::string_view password) {
    std::array<std::uint8_t, 12> h;
    std::copy(item.data.begin(), item.data.begin() + 12, h.begin());
    ziplib::TPkzipKeys k;
    ziplib::DecryptHeader(password, k, h);
    return h[11] == static_cast<std::uint8_t>(item.crc >> 24);
}

TEST(ItemDataEnginePassword, AskedAgainUntilRightOrSkipped) {
    const std::string text = MakeText(400000, 17);
    const RawItem enc = Encrypted(DeflatedItem("a", text), "secret");
    for (const char* wrong : {"guess", "", "Secret", "other"}) ASSERT_FALSE(PassesCheckByte(enc, wrong)) << wrong;
    const Archive a = BuildArchive({enc});
    struct Case {
        const char* name;
        std::string first;
        std::vector<std::pair<PasswordReply, std::string>> replies;
        ItemDataStatus status;
        int asked;
    };
    const Case cases[] = {
        {"right at once", "secret", {}, ItemDataStatus::Ok, 0},
        {"wrong, then right", "guess", {{PasswordReply::Retry, "secret"}}, ItemDataStatus::Ok, 1},
        {"empty, wrong, then right", "", {{PasswordReply::Retry, "Secret"}, {PasswordReply::Retry, "secret"}},
         ItemDataStatus::Ok, 2},
        {"wrong, then skip", "guess", {{PasswordReply::Skip, ""}}, ItemDataStatus::Skipped, 1},
        {"wrong, then cancel", "guess", {{PasswordReply::Retry, "other"}, {PasswordReply::Cancel, ""}},
         ItemDataStatus::Cancelled, 2},
    };
    ItemDataReader reader;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedContext ctx;
        ctx.password = c.first;
        ctx.replies.assign(c.replies.begin(), c.replies.end());
        const Decoded r = Decode(reader, a, a.items[0], ctx);
        EXPECT_EQ(r.result.status, c.status);
        EXPECT_EQ(ctx.asked, c.asked);
        if (c.status == ItemDataStatus::Ok) {
            EXPECT_TRUE(r.out.Text() == text);
        } else {
            EXPECT_TRUE(r.out.data.empty());
        }
    }
}

// Archives the tools encrypted, opened with a wrong password and no prompt to answer: never
// decoded as if right. (Their headers are random, so a wrong password may pass the check
// byte; the data then fails.)
TEST(ItemDataEnginePassword, ToolEncryptedItemsRefuseAWrongPassword) {
    const Fixtures& f = Tools();
    ItemDataReader reader;
    int checked = 0;
    for (const auto& ta : f.archives) {
        if (ta.password.empty()) continue;
        for (const auto& item : ta.archive.items) {
            if (ziplib::ItemUncompressedSize(item) == 0) continue;
            SCOPED_TRACE(ta.name + " " + platform::Utf16ToUtf8(item.Name));
            ScriptedContext ctx;
            ctx.password = "not the password";
            const Decoded r = Decode(reader, ta.archive, item, ctx);
            EXPECT_NE(r.result.status, ItemDataStatus::Ok);
            if (r.result.status == ItemDataStatus::Skipped) {
                EXPECT_EQ(ctx.asked, 1);
                EXPECT_TRUE(r.out.data.empty());
            }
            ++checked;
        }
    }
    if (checked == 0) GTEST_SKIP() << "no encrypting tool installed";
}

// One byte of the encryption header is all a password can be checked by: a wrong password that
// passes it decodes garbage, which the CRC-32 (or the inflate) refuses.
TEST(ItemDataEnginePassword, AWrongPasswordPassingTheCheckByteStillFails) {
    const std::string text = MakeText(50000, 16);
    for (const bool deflated : {false, true}) {
        SCOPED_TRACE(deflated ? "deflated" : "stored");
        const RawItem item = Encrypted(deflated ? DeflatedItem("a", text) : StoredItem("a", text), "secret");
        const Archive a = BuildArchive({item});
        std::string lucky;
        for (int i = 0; lucky.empty(); ++i)
            if (PassesCheckByte(item, "wrong" + std::to_string(i))) lucky = "wrong" + std::to_string(i);
        ItemDataReader reader;
        ScriptedContext ctx;
        ctx.password = lucky;
        const Decoded bad = Decode(reader, a, a.items[0], ctx);
        EXPECT_NE(bad.result.status, ItemDataStatus::Ok);
        EXPECT_EQ(ctx.asked, 0);
        ScriptedContext right;
        right.password = "secret";
        const Decoded good = Decode(reader, a, a.items[0], right);
        EXPECT_EQ(good.result.status, ItemDataStatus::Ok);
        EXPECT_TRUE(good.out.Text() == text);
    }
}

}  // namespace
