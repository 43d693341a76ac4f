// Guards reading an archive's directory from generated archives: where the data starts behind a
// stub and how offsets are corrected (also when the directory is not in file order), names in
// 866, 1251, UTF-8 and from the Unicode name field, the extra fields, the Zip64 records, and that
// a damaged, truncated or random file is rebuilt from its local headers or refused with an
// archive error: never garbage items, never a read outside a buffer.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "ArchiveFixtures.h"
#include "TempDir.h"
#include "directory/TZADirManager.h"
#include "format/AesExtraField.h"
#include "format/UnicodeNameExtraField.h"
#include "format/Zip64ExtraField.h"
#include "platform/CodePage.h"
#include "platform/Unicode.h"
#include "unicode/CodePages.h"
#include "ziplib/EZAException.h"
#include "ziplib/TZipArchiver.h"

using namespace ziplib;
using namespace ziptest;

namespace {

const std::string kCyrillic866 = platform::EncodeBytes(u"Привет.txt", platform::CodePage::Cp866);
const std::string kCyrillicUtf8 = "Привет.txt";

class Opening : public testing::Test {
protected:
    // Writes the bytes and opens them; the archiver stays open for inspection.
    TZipArchiver& Open(const Bytes& bytes, const std::string& name = "t.zip") {
        WriteBytes(dir / name, bytes);
        a.CloseArchive();
        a.FileName = WinName(dir / name);
        a.OpenArchive();
        return a;
    }
    // The error of opening the bytes, or code -1 when they open.
    int32_t OpenError(const Bytes& bytes) {
        try {
            Open(bytes);
        } catch (const EZAException& e) {
            EXPECT_FALSE(a.IsOpen());
            return e.NativeError();
        }
        return -1;
    }
    TZADirManager& Dir() { return *a.DirManager(); }
    const TDirItem& Item(int i) { return *Dir().Items.ItemPtr(i); }
    uint64_t Offset(int i) {
        const TDirItem& it = Item(i);
        return it.Header.localHeaderOffset == kEscape32 ? it.LocalHeaderOffset : it.Header.localHeaderOffset;
    }
    std::vector<std::u16string> Names() {
        std::vector<std::u16string> n;
        for (int i = 0; i < Dir().Items.Count(); ++i) n.push_back(Item(i).Name);
        return n;
    }

    testsupport::TempDir dir;
    TZipArchiver a;
};

std::vector<GenEntry> ThreeItems() {
    return {{.name = "a.txt", .data = "alpha alpha"},
            {.name = "docs/", .externalAttributes = kAttrDirectory},
            {.name = "docs/b.txt", .data = "bravo"}};
}

// A file, an empty file, a folder and a file in it.
std::vector<GenEntry> FourItems() {
    return {{.name = "a.txt", .data = "alpha alpha"},
            {.name = "empty.txt"},
            {.name = "docs/", .externalAttributes = kAttrDirectory},
            {.name = "docs/b.txt", .data = "bravo"}};
}

// What opening a damaged file may answer: no archive in it, local headers of which none gives an
// item, Zip64 records missing, or (when a changed disk number makes it look like a volume set) no
// such volumes.
bool CleanRefusal(int32_t code) {
    return code == ZAError::InvalidArchive || code == ZAError::EndRecordNotFound || code == ZAError::NoZip64EndRecord ||
           code == ZAError::CannotOpenArchive || code == ZAError::VolumeOpenAborted;
}

ExtraField UnicodeName(const std::u16string& name) { return *UnicodeNameExtraField{name}.ToExtraField(); }

}  // namespace

TEST_F(Opening, DataStartAndOffsetsBehindAStub) {
    std::string stubWithSignature(3000, 'M');
    stubWithSignature.replace(1000, 4, "PK\x03\x04");  // a stub may hold the signature itself
    struct Case {
        const char* name;
        std::vector<GenEntry> entries;
        GenOptions options;
    };
    const std::vector<GenEntry> files = ThreeItems();
    const Case cases[] = {
        {"plain", files, {}},
        {"stub, offsets from the archive's start", files, {.stub = std::string(1000, 'S')}},
        {"stub, offsets counting it", files, {.stub = std::string(1000, 'S'), .offsetsCountStub = true}},
        {"stub holding a local header signature", files, {.stub = stubWithSignature}},
        {"directory not in file order", files, {.stub = std::string(777, 'S'), .directoryOrder = {2, 0, 1}}},
        {"streamed items behind a stub", files, {.stub = std::string(500, 'S'), .dataDescriptors = true}},
        {"adjusted, not in file order", files,
         {.stub = std::string(600, 'S'), .offsetsCountStub = true, .directoryOrder = {2, 1, 0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        GenLayout layout;
        Open(BuildZip(c.entries, c.options, &layout));
        EXPECT_EQ(Dir().DataStart, static_cast<int64_t>(c.options.stub.size()));
        ASSERT_EQ(Dir().Items.Count(), 3);
        for (int i = 0; i < 3; ++i) {
            const int entry = c.options.directoryOrder.empty() ? i : c.options.directoryOrder[static_cast<size_t>(i)];
            SCOPED_TRACE(entry);
            const auto& e = c.entries[static_cast<size_t>(entry)];
            EXPECT_EQ(Item(i).Name, platform::Utf8ToUtf16(e.name));
            // Every item's offset is where its local header is, folders' too.
            EXPECT_EQ(Offset(i), layout.localAt[static_cast<size_t>(entry)]);
        }
    }
}

TEST_F(Opening, DataStartOfArchivesWithoutFileData) {
    GenLayout layout;
    Open(BuildZip({}, {.stub = std::string(300, 'S')}, &layout));
    EXPECT_EQ(Dir().Items.Count(), 0);
    EXPECT_EQ(Dir().DataStart, static_cast<int64_t>(layout.endAt));

    // Only folders and empty files: their headers are found behind the stub all the same.
    Open(BuildZip({{.name = "x/", .externalAttributes = kAttrDirectory}, {.name = "empty"}},
                  {.stub = std::string(300, 'S')}, &layout));
    EXPECT_EQ(Dir().DataStart, 300);
    EXPECT_EQ(Offset(0), layout.localAt[0]);
    EXPECT_EQ(Offset(1), layout.localAt[1]);
}

TEST_F(Opening, NamesByFlagUnicodeFieldAndCodePage) {
    const std::string utf16Overlong = [] {
        ExtraField f = UnicodeName(u"Длинное");
        f.data[4] = 0x40;  // count far beyond the units the field holds
        return std::string(f.data.begin(), f.data.end());
    }();
    struct Case {
        const char* name;
        std::string bytes;
        uint16_t flags;
        std::vector<ExtraField> extra;
        bool oem;
        std::u16string want;
    };
    const Case cases[] = {
        {"unflagged, OEM code page", kCyrillic866, 0, {}, true, u"Привет.txt"},
        {"unflagged, ANSI code page", platform::EncodeBytes(u"Привет.txt", platform::CodePage::Cp1251), 0, {}, false,
         u"Привет.txt"},
        {"flagged UTF-8", kCyrillicUtf8, 1u << 11, {}, true, u"Привет.txt"},
        {"flagged UTF-8, ANSI option", kCyrillicUtf8, 1u << 11, {}, false, u"Привет.txt"},
        {"unflagged UTF-8 bytes are read as 866", kCyrillicUtf8, 0, {}, true, CodePageToWide(kCyrillicUtf8, 866)},
        {"Unicode name field wins", kCyrillic866, 0, {UnicodeName(u"Юникод.txt")}, true, u"Юникод.txt"},
        {"over-long Unicode field is ignored", kCyrillic866,
         0, {ExtraField{kUnicodeNameExtraId, std::vector<uint8_t>(utf16Overlong.begin(), utf16Overlong.end())}}, true,
         u"Привет.txt"},
        {"a zero byte ends the name", std::string("cut\0rest", 8), 0, {}, true, u"cut"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        a.Options.OEMFileNames = c.oem;
        Open(BuildZip({{.name = c.bytes, .data = "d", .flags = c.flags, .centralExtra = c.extra}}));
        ASSERT_EQ(Dir().Items.Count(), 1);
        EXPECT_EQ(Item(0).Name, c.want);
        EXPECT_EQ(Dir().Items.Names().IndexOf(TZADirArray::LowerName(c.want)), 0);
    }
}

TEST_F(Opening, ExtraFieldsAreKeptAndInterpreted) {
    GenEntry zip64{.name = "big", .data = "data"};
    GenEntry shortZip64{.name = "short", .data = "data"};
    GenEntry aes{.name = "aes", .data = "data", .flags = kFlagEncrypted};
    GenEntry other{.name = "other", .data = "data"};
    Zip64ExtraField z;
    z.uncompressedSize = 0x123456789ull;
    z.compressedSize = 0x100000000ull;
    zip64.centralExtra = {z.ToExtraField()};
    shortZip64.centralExtra = {ExtraField{kZip64ExtraId, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}}};
    aes.centralExtra = {AesExtraField{2, kAesVendorId, 3, kMethodDeflate}.ToExtraField()};
    other.centralExtra = {ExtraField{0x7875, {1, 4, 0xE8, 3, 0, 0}}, ExtraField{0xCAFE, {}}};
    GenLayout layout;
    Bytes b = BuildZip({zip64, shortZip64, aes, other}, {}, &layout);
    // Escape both sizes in the first two central headers.
    size_t at = layout.directoryAt;
    for (int i = 0; i < 2; ++i) {
        const auto h = CentralHeader::Parse(std::span(b).subspan(at));
        Put32(b, at + 20, kEscape32);
        Put32(b, at + 24, kEscape32);
        at += h->RecordSize();
    }
    Open(b);
    ASSERT_EQ(Dir().Items.Count(), 4);
    EXPECT_EQ(Item(0).HasZip64, 1);
    EXPECT_EQ(Item(0).UncompressedSize, 0x123456789ull);
    EXPECT_EQ(Item(0).CompressedSize, 0x100000000ull);
    // Room for the first value only: the second keeps its escape and nothing past the field is read.
    EXPECT_EQ(Item(1).UncompressedSize, 0x0807060504030201ull);
    EXPECT_EQ(Item(1).CompressedSize, 0u);
    EXPECT_EQ(Item(1).Header.compressedSize, kEscape32);
    EXPECT_EQ(Item(2).EncryptionStrength, 3);
    EXPECT_EQ(Item(2).Method, kMethodDeflate);
    EXPECT_EQ(Item(2).Header.method, kMethodStored);
    EXPECT_EQ(Item(3).ExtraFields, other.centralExtra);
    EXPECT_EQ(Item(3).HasZip64, 0);
}

TEST_F(Opening, Zip64RecordsAndTheirFaults) {
    const std::vector<GenEntry> files = ThreeItems();
    GenLayout layout;
    Open(BuildZip(files, {.zip64 = true}, &layout));
    EXPECT_TRUE(Dir().IsZip64);
    EXPECT_EQ(Dir().Items.Count(), 3);
    EXPECT_EQ(Dir().Zip64EndRecordImage.totalEntries, 3u);
    EXPECT_EQ(Dir().DirectoryStart, static_cast<int64_t>(layout.directoryAt));
    EXPECT_EQ(a.SpanningMode(), TZASpanningMode::smNone);

    // Disk fields escaped in the end record: still one file, read through the Zip64 records.
    Open(BuildZip(files, {.zip64 = true, .escapeDisks = true}));
    EXPECT_EQ(a.SpanningMode(), TZASpanningMode::smNone);
    EXPECT_EQ(Dir().Items.Count(), 3);

    // A locator whose offset misses the Zip64 end record finds it right before itself, where a
    // record without extensible data ends; offsets are then corrected as behind any stub.
    struct Case {
        const char* name;
        std::function<void(Bytes&, const GenLayout&)> damage;
        GenOptions options;
    };
    const Case missed[] = {
        {"locator points past the file",
         [](Bytes& b, const GenLayout& l) { Put64(b, l.endAt - 20 + 8, 0xFFFFFFFFFFFFull); }, {.zip64 = true}},
        {"locator points into the last bytes",
         [](Bytes& b, const GenLayout& l) { Put64(b, l.endAt - 20 + 8, b.size() - 30); }, {.zip64 = true}},
        {"behind a stub the locator's offset does not count it", [](Bytes&, const GenLayout&) {},
         {.stub = std::string(100, 'S'), .zip64 = true}},
    };
    for (const auto& c : missed) {
        SCOPED_TRACE(c.name);
        Bytes b = BuildZip(files, c.options, &layout);
        c.damage(b, layout);
        Open(b);
        EXPECT_FALSE(a.DirectoryRecovered());
        EXPECT_EQ(Dir().DataStart, static_cast<int64_t>(c.options.stub.size()));
        ASSERT_EQ(Dir().Items.Count(), 3);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(Offset(i), layout.localAt[static_cast<size_t>(i)]);
    }
    // No Zip64 end record in either place.
    Bytes broken = BuildZip(files, {.zip64 = true}, &layout);
    broken[layout.zip64EndAt] = 'X';
    EXPECT_EQ(OpenError(broken), ZAError::NoZip64EndRecord);
}

TEST_F(Opening, TrailingBytesAndWrongCountsStillReadTheDirectory) {
    const std::vector<GenEntry> files = FourItems();
    struct Case {
        const char* name;
        std::function<void(Bytes&, const GenLayout&)> change;
        GenOptions options;
        std::string comment;
    };
    const Case cases[] = {
        {"one byte after the end record", [](Bytes&, const GenLayout&) {}, {.trailing = "x"}, ""},
        {"a block of zeros after the comment", [](Bytes&, const GenLayout&) {},
         {.archiveComment = "note", .trailing = std::string(10000, '\0')}, "note"},
        {"a comment shorter than declared",
         [](Bytes& b, const GenLayout& l) { Put16(b, l.endAt + 20, 40); }, {.archiveComment = "short"}, "short"},
        {"Zip64 records and bytes after them", [](Bytes&, const GenLayout&) {}, {.zip64 = true, .trailing = "xyz"}, ""},
        {"the longest comment there can be", [](Bytes&, const GenLayout&) {},
         {.archiveComment = std::string(0xFFFF, 'c')}, std::string(0xFFFF, 'c')},
        {"the longest comment behind Zip64 records", [](Bytes&, const GenLayout&) {},
         {.zip64 = true, .archiveComment = std::string(0xFFFF, 'z')}, std::string(0xFFFF, 'z')},
        {"a count lower than the headers present", [](Bytes& b, const GenLayout& l) { Put16(b, l.endAt + 10, 2); }, {}, ""},
        {"more entries than the file can hold", [](Bytes& b, const GenLayout& l) { Put16(b, l.endAt + 10, 0xFFFE); }, {}, ""},
        {"65535 entries without Zip64 records", [](Bytes& b, const GenLayout& l) { Put16(b, l.endAt + 10, 0xFFFF); }, {}, ""},
        {"a Zip64 count lower than the headers present",
         [](Bytes& b, const GenLayout& l) { Put64(b, l.zip64EndAt + 32, 1); }, {.zip64 = true}, ""},
        {"a Zip64 count beyond any file",
         [](Bytes& b, const GenLayout& l) { Put64(b, l.zip64EndAt + 32, 1ull << 40); }, {.zip64 = true}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        GenLayout layout;
        Bytes b = BuildZip(files, c.options, &layout);
        c.change(b, layout);
        Open(b);
        EXPECT_FALSE(a.DirectoryRecovered());
        ASSERT_EQ(Names(), (std::vector<std::u16string>{u"a.txt", u"empty.txt", u"docs/", u"docs/b.txt"}));
        EXPECT_EQ(Dir().DirectoryStart, static_cast<int64_t>(layout.directoryAt));
        EXPECT_EQ(Dir().Comment, c.comment);
    }
}

TEST_F(Opening, ADirectoryNotWhereItsRecordsSayIsRebuiltFromTheLocalHeaders) {
    const std::vector<GenEntry> files = FourItems();
    struct Case {
        const char* name;
        std::function<void(Bytes&, const GenLayout&)> damage;
        GenOptions options;
    };
    const Case cases[] = {
        {"end record cut off", [](Bytes& b, const GenLayout& l) { b.resize(l.endAt + 10); }, {}},
        {"a count higher than the headers present, bytes after them",
         [](Bytes& b, const GenLayout& l) {
             Put16(b, l.endAt + 10, 5);
             Put32(b, l.endAt + 12, static_cast<uint32_t>(l.endAt - l.directoryAt + 10));
         },
         {}},
        {"directory larger than the file", [](Bytes& b, const GenLayout& l) { Put32(b, l.endAt + 12, 0x7FFFFFF0); }, {}},
        {"directory size pointing before the directory", [](Bytes& b, const GenLayout& l) { Put32(b, l.endAt + 12, 20); }, {}},
        {"second central header without its signature",
         [](Bytes& b, const GenLayout& l) {
             const auto h = CentralHeader::Parse(std::span(b).subspan(l.directoryAt));
             b[l.directoryAt + h->RecordSize()] = 'X';
         },
         {}},
        {"name running past the directory", [](Bytes& b, const GenLayout& l) { Put16(b, l.directoryAt + 28, 0xFFFF); }, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        GenLayout layout;
        Bytes b = BuildZip(files, c.options, &layout);
        c.damage(b, layout);
        Open(b);
        ASSERT_EQ(Names(), (std::vector<std::u16string>{u"a.txt", u"empty.txt", u"docs/", u"docs/b.txt"}));
        // Taken from the local headers: an empty file stays a file, a folder is known by its name.
        EXPECT_EQ(Item(1).Header.externalAttributes, kAttrArchive);
        EXPECT_EQ(Item(2).Header.externalAttributes, kAttrDirectory);
        EXPECT_EQ(Item(0).Header.externalAttributes, kAttrArchive);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(Offset(i), layout.localAt[static_cast<size_t>(i)]);
            EXPECT_EQ(Item(i).Header.signature, kCentralHeaderSignature);
            EXPECT_EQ(Item(i).Header.crc32, Crc(files[static_cast<size_t>(i)].data));
        }
        EXPECT_EQ(Item(0).Header.uncompressedSize, 11u);
        EXPECT_EQ(Dir().DirectoryStart, static_cast<int64_t>(b.size()));
    }
}

TEST_F(Opening, RecoveryScanDetails) {
    // Streamed items take CRC and sizes from their data descriptors; a header with more than
    // 260 bytes of extra fields is passed over.
    GenEntry big{.name = "big-extra", .data = "zzz"};
    big.localExtra = {ExtraField{0x1234, std::vector<uint8_t>(300, 7)}};
    GenLayout layout;
    Bytes b = BuildZip({{.name = "s.txt", .data = "streamed data"}, big, {.name = "t.txt", .data = "tt"}},
                       {.dataDescriptors = true}, &layout);
    b.resize(layout.directoryAt);  // no directory
    Open(b);
    ASSERT_EQ(Names(), (std::vector<std::u16string>{u"s.txt", u"t.txt"}));
    EXPECT_EQ(Item(0).Header.crc32, Crc("streamed data"));
    EXPECT_EQ(Item(0).Header.compressedSize, 13u);
    EXPECT_EQ(Item(0).Header.uncompressedSize, 13u);

    // An archive of 65535 items and no Zip64 records, whose count says only "65535 or more", is
    // read whole from its directory, and by the scan once the directory is gone.
    std::vector<GenEntry> many(65535);
    for (size_t i = 0; i < many.size(); ++i) many[i] = {.name = std::to_string(i), .data = "x"};
    Bytes whole = BuildZip(many, {}, &layout);
    for (const bool cut : {false, true}) {
        SCOPED_TRACE(cut ? "directory cut off" : "whole");
        if (cut) whole.resize(layout.directoryAt);
        Open(whole);
        EXPECT_EQ(a.DirectoryRecovered(), cut);
        ASSERT_EQ(Dir().Items.Count(), 65535);
        EXPECT_EQ(Item(65534).Name, u"65534");
        EXPECT_EQ(Dir().Items.Names().IndexOf(u"40000"), 40000);
    }
}

TEST_F(Opening, DirectoriesLargerThanAReadAreReadWhole) {
    // Headers near the largest a header can be, so that many of them straddle the boundary of
    // one read; then the same with megabytes of bytes that are no header after the headers, in
    // a directory whose record is where it must be and counts them all.
    std::vector<GenEntry> entries(40);
    for (size_t i = 0; i < entries.size(); ++i) {
        const auto fill = static_cast<uint8_t>(i + 1);
        entries[i] = {.name = "big/" + std::to_string(i) + ".txt", .data = "d" + std::to_string(i)};
        entries[i].comment = std::string(60000 + i * 97, static_cast<char>('a' + i % 26));
        entries[i].centralExtra = {ExtraField{0x1234, std::vector<uint8_t>(60000 - i * 131, fill)}};
    }
    GenLayout layout;
    const Bytes plain = BuildZip(entries, {}, &layout);
    Bytes padded = plain;
    const size_t junk = 3u << 20;
    padded.insert(padded.begin() + static_cast<std::ptrdiff_t>(layout.endAt), junk, uint8_t{0x5A});
    const uint64_t directorySize = layout.endAt - layout.directoryAt;
    Put32(padded, layout.endAt + junk + 12, static_cast<uint32_t>(directorySize + junk));
    const Bytes* const archives[] = {&plain, &padded};
    for (const Bytes* b : archives) {
        SCOPED_TRACE(b == &plain ? "headers only" : "bytes after the headers");
        Open(*b);
        EXPECT_FALSE(a.DirectoryRecovered());
        EXPECT_EQ(Dir().DirectoryStart, static_cast<int64_t>(layout.directoryAt));
        ASSERT_EQ(Dir().Items.Count(), static_cast<int>(entries.size()));
        for (size_t i = 0; i < entries.size(); ++i) {
            const TDirItem& it = Item(static_cast<int>(i));
            EXPECT_EQ(it.Name, platform::Utf8ToUtf16(entries[i].name)) << i;
            EXPECT_EQ(it.Comment.str(), entries[i].comment) << i;
            ASSERT_EQ(it.ExtraFields.size(), 1u) << i;
            EXPECT_EQ(it.ExtraFields[0].data, entries[i].centralExtra[0].data) << i;
            EXPECT_EQ(Offset(static_cast<int>(i)), layout.localAt[i]) << i;
        }
    }
}

TEST_F(Opening, FilesWithoutAnyArchiveAreRefused) {
    std::mt19937 rng(7);
    Bytes random(20000);
    for (auto& x : random) x = static_cast<uint8_t>(rng() & 0xFF);
    // Random bytes with an end record that asks for far more than the file holds.
    Bytes bogusEnd = random;
    const Bytes end = BuildZip({});
    std::copy(end.begin(), end.end(), bogusEnd.end() - 22);
    Put16(bogusEnd, bogusEnd.size() - 12, 0xFFFE);
    Put32(bogusEnd, bogusEnd.size() - 10, 0xFFFFFF00);
    Put32(bogusEnd, bogusEnd.size() - 6, 0xFFFFFF00);
    // A tail of end records, each with bytes after it and a directory as large as the file
    // before it: only a few of them are read, or opening would read the file thousands of times.
    Bytes manyEnds(8u << 20);
    Put32(manyEnds, 0, kCentralHeaderSignature);
    for (size_t at = manyEnds.size() - kEndRecordSearchWindow; at + 44 < manyEnds.size(); at += 22) {
        Put32(manyEnds, at, kEndRecordSignature);
        Put16(manyEnds, at + 8, 1);
        Put16(manyEnds, at + 10, 1);
        Put32(manyEnds, at + 12, static_cast<uint32_t>(at));
    }
    struct Case {
        const char* name;
        Bytes bytes;
    };
    const Case cases[] = {
        {"empty file", {}},
        {"a tail of end records with bytes after them", manyEnds},
        {"a few bytes", {'P', 'K'}},
        {"random bytes", random},
        {"random bytes with a bogus end record", bogusEnd},
        {"a local header signature too near the end", {'x', 'P', 'K', 3, 4, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(OpenError(c.bytes), ZAError::InvalidArchive);
        EXPECT_EQ(a.ArchiveStream(), nullptr);
    }
}

TEST_F(Opening, TruncatedAndMutatedArchivesOpenOrFailCleanly) {
    GenEntry withExtras{.name = "Юникод", .data = "payload payload", .comment = "item comment"};
    withExtras.centralExtra = {UnicodeName(u"Юникод"), AesExtraField{2, kAesVendorId, 1, 8}.ToExtraField()};
    const std::vector<GenEntry> files = {{.name = "a.txt", .data = "alpha"}, withExtras,
                                         {.name = "d/", .externalAttributes = kAttrDirectory}};
    for (const bool zip64 : {false, true}) {
        const Bytes good = BuildZip(files, {.stub = "MZ stub", .zip64 = zip64, .archiveComment = "archive comment"});
        // Every length the file could be cut to.
        for (size_t cut = 0; cut < good.size(); ++cut) {
            SCOPED_TRACE(cut);
            const int32_t code = OpenError(Bytes(good.begin(), good.begin() + static_cast<long>(cut)));
            if (code == -1) {
                EXPECT_LE(Dir().Items.Count(), 3);
            } else {
                EXPECT_TRUE(CleanRefusal(code)) << code;
            }
        }
        // Single bytes changed anywhere, many times over.
        std::mt19937 rng(zip64 ? 11 : 5);
        for (int round = 0; round < 1500; ++round) {
            Bytes b = good;
            for (int k = 0; k < 1 + round % 4; ++k) b[rng() % b.size()] = static_cast<uint8_t>(rng());
            SCOPED_TRACE(round);
            const int32_t code = OpenError(b);
            if (code != -1) {
                EXPECT_TRUE(CleanRefusal(code)) << code;
            }
        }
    }
}

TEST_F(Opening, WithoutTheAssumptionAMissingEndRecordOrOversizedItemsAreErrors) {
    // Normally the end record counts as found and a missing one sends the open to the scan.
    a.AssumeEndRecordFound = false;
    EXPECT_EQ(OpenError(BuildZip(ThreeItems(), {.trailing = "x"})), ZAError::EndRecordNotFound);

    // Items claiming more compressed bytes than the file has.
    GenLayout layout;
    Bytes b = BuildZip(ThreeItems(), {}, &layout);
    Put32(b, layout.directoryAt + 20, 0x7FFFFFFF);
    EXPECT_EQ(OpenError(b), ZAError::DirectoryDamaged);
    EXPECT_FALSE(a.AssumeEndRecordFound);
    EXPECT_EQ(OpenError(BuildZip(ThreeItems())), -1);
    EXPECT_EQ(Dir().Items.Count(), 3);
}
