// Guards the five steps the programs run (file name, open, base folder, extract "*.*", close)
// over the generated archives of forms other tools write: names that differ only in case all
// survive, a Unix item's mode decides file or folder, bytes after the end record and a Zip64
// archive behind a stub need no recovery, a low count loses no item, an empty recovery is an
// error, each failed item says why, and other tools' Unicode path field names items.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "ArchiveFixtures.h"
#include "FiveSteps.h"
#include "TempDir.h"
#include "directory/TZADirManager.h"
#include "platform/Unicode.h"
#include "ziplib/EZAException.h"
#include "ziplib/TMemoryStream.h"
#include "ziplib/TZipArchiver.h"

namespace fs = std::filesystem;
using namespace ziplib;
using namespace ziptest;

namespace {

const fs::path kSeeds = fs::path(VB_TEST_DATA_DIR) / "fuzz-seeds";

std::string Seed(const std::string& name) { return testsupport::ReadFile(kSeeds / name); }

// The five steps over a seed that must come through whole: the tree they leave in `out`.
std::map<std::string, std::string> ExtractWhole(const std::string& seed, const fs::path& out) {
    Extractor x;
    x.Run(kSeeds / seed, out);
    EXPECT_TRUE(x.zip.BatchSucceeded()) << x.zip.LastError;
    return Tree(out);
}

}  // namespace

TEST(OtherToolsForms, NamesThatDifferOnlyInCaseAreAllWritten) {
    testsupport::TempDir dir;
    const auto tree = ExtractWhole("case-variants.zip", dir / "out");
    const std::map<std::string, std::string> want = {
        {"README", "upper-case name\n"},      {"readme", "lower-case name\n"},
        {"ПРИВЕТ.txt", "заглавные буквы\n"}, {"привет.txt", "строчные буквы\n"},
        {"Docs", "<dir>"},                     {"docs", "<dir>"},
    };
    for (const auto& [name, bytes] : want) EXPECT_EQ(tree.count(name) ? tree.at(name) : "(missing)", bytes) << name;
    EXPECT_TRUE(tree.count("Docs/upper.txt"));
    EXPECT_TRUE(tree.count("docs/lower.txt"));
    EXPECT_EQ(tree.size(), 8u);
}

TEST(OtherToolsForms, ACaseVariantThatWasThereBeforeIsStillReplaced) {
    // A tree made on a file system that ignores case: an item finds its file in another
    // spelling, but never takes the place of a file another item of the batch wrote.
    struct Case {
        const char* name;
        std::map<std::string, std::string> before;
        std::vector<std::pair<std::string, std::string>> items;
        std::map<std::string, std::string> after;
    };
    const Case cases[] = {
        {"one item, the file spelt otherwise", {{"Docs/ReadMe.txt", "old"}}, {{"docs/readme.txt", "new"}},
         {{"Docs", "<dir>"}, {"Docs/ReadMe.txt", "new"}}},
        {"two variants, the first replaces the old file", {{"ReadMe", "old"}}, {{"README", "A"}, {"readme", "B"}},
         {{"ReadMe", "A"}, {"readme", "B"}}},
        {"the exact name comes last: the other item moves to its own name", {{"README", "old"}},
         {{"readme", "B"}, {"README", "A"}}, {{"README", "A"}, {"readme", "B"}}},
        {"the same name twice: the later copy wins", {}, {{"a.txt", "1"}, {"a.txt", "2"}}, {{"a.txt", "2"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::TempDir dir;
        for (const auto& [rel, bytes] : c.before) testsupport::WriteFile(dir / "out" / rel, bytes);
        std::vector<GenEntry> entries;
        for (const auto& [name, data] : c.items) entries.push_back({.name = name, .data = data});
        WriteBytes(dir / "a.zip", BuildZip(entries));
        Extractor x;
        x.Run(dir / "a.zip", dir / "out");
        EXPECT_TRUE(x.zip.BatchSucceeded()) << x.zip.LastError;
        EXPECT_EQ(Tree(dir / "out"), c.after);
    }
}

TEST(OtherToolsForms, OneNameUnderTwoSpellingsOfAnOldFolderFailsTheSecondItem) {
    // Both spellings of the folder find the one that was there before; the second item's file
    // would take the place of the first one's, so it fails, named, and the first stays whole.
    for (const bool exactFirst : {true, false}) {
        SCOPED_TRACE(exactFirst ? "Docs/x first" : "docs/x first");
        testsupport::TempDir dir;
        testsupport::WriteFile(dir / "out/Docs/x", "old");
        const GenEntry exact{.name = "Docs/x", .data = "A"}, other{.name = "docs/x", .data = "B"};
        WriteBytes(dir / "a.zip", exactFirst ? BuildZip({exact, other}) : BuildZip({other, exact}));
        Extractor x;
        x.Run(dir / "a.zip", dir / "out");
        EXPECT_FALSE(x.zip.BatchSucceeded());
        ASSERT_EQ(x.failures.size(), 1u);
        EXPECT_EQ(x.failures[0].name, exactFirst ? "docs\\x" : "Docs\\x");
        EXPECT_EQ(Tree(dir / "out"), (std::map<std::string, std::string>{{"Docs", "<dir>"}, {"Docs/x", exactFirst ? "A" : "B"}}));
    }
    // The same a level down, in a folder the batch makes under the old one: what the batch
    // wrote there is told from the folder's two spellings all the same.
    testsupport::TempDir dir;
    fs::create_directories(dir / "out/App");
    WriteBytes(dir / "a.zip", BuildZip({{.name = "App/Docs/x", .data = "A"}, {.name = "app/Docs/x", .data = "B"}}));
    Extractor x;
    x.Run(dir / "a.zip", dir / "out");
    ASSERT_EQ(x.failures.size(), 1u);
    EXPECT_EQ(x.failures[0].name, "app\\Docs\\x");
    EXPECT_EQ(Tree(dir / "out"),
              (std::map<std::string, std::string>{{"App", "<dir>"}, {"App/Docs", "<dir>"}, {"App/Docs/x", "A"}}));
}

TEST(OtherToolsForms, AUnixItemIsAFileOrAFolderByItsMode) {
    testsupport::TempDir dir;
    ExtractWhole("unix-attribute-byte.zip", dir / "out");
    EXPECT_TRUE(fs::is_regular_file(dir / "out/tool.sh"));
    EXPECT_EQ(testsupport::ReadFile(dir / "out/tool.sh").substr(0, 10), "#!/bin/sh\n");
    EXPECT_EQ(testsupport::ReadFile(dir / "out/notes.txt").size(), 400u);
    EXPECT_TRUE(fs::is_directory(dir / "out/folder"));
    EXPECT_TRUE(fs::is_directory(dir / "out/slash"));
    // The mode, not the DOS read-only bit among the 0xFF, gives the permissions.
    struct stat st{};
    ASSERT_EQ(::stat((dir / "out/tool.sh").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0755u);

    // Its data is decoded and checked: a wrong CRC-32 fails the file, and testing says so too.
    std::string bytes = Seed("unix-attribute-byte.zip");
    const size_t central = bytes.find("PK\x01\x02");
    ASSERT_NE(central, std::string::npos);
    bytes[central + 16] ^= 0x01;  // the first item's CRC-32
    testsupport::WriteFile(dir / "bad.zip", bytes);
    Extractor bad;
    bad.Run(dir / "bad.zip", dir / "bad");
    EXPECT_FALSE(bad.zip.BatchSucceeded());
    ASSERT_EQ(bad.failures.size(), 1u);
    EXPECT_EQ(bad.failures[0].name, "tool.sh");
    EXPECT_FALSE(fs::exists(dir / "bad/tool.sh"));
    bad.zip.OpenArchive();
    bad.zip.TestFiles(u"*.*", kSearchEveryItem, u"");
    EXPECT_EQ(bad.zip.FailedCount, 1);
}

TEST(OtherToolsForms, EndRecordsWithBytesAfterThemAndAZip64ArchiveBehindAStubOpenWithoutRecovery) {
    struct Case {
        const char* seed;
        std::map<std::string, size_t> files;  // name and size
        std::string comment;
    };
    const Case cases[] = {
        {"trailing-byte.zip", {{"a.txt", 300}, {"b.txt", 12}}, "comment"},
        {"short-comment.zip", {{"a.txt", 300}, {"b.txt", 12}}, "comment"},
        {"zip64-stub.zip", {{"big.txt", 500}, {"small.txt", 14}}, ""},
        {"count-low.zip", {{"one.txt", 6}, {"two.txt", 7}, {"three.txt", 6}}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.seed);
        testsupport::TempDir dir;
        Extractor x;
        x.zip.FileName = WinName(kSeeds / c.seed);
        x.zip.OpenArchive();
        EXPECT_FALSE(x.zip.DirectoryRecovered());
        EXPECT_EQ(x.zip.DirManager()->Comment, c.comment);
        x.zip.CloseArchive();
        x.Run(kSeeds / c.seed, dir / "out");
        EXPECT_TRUE(x.zip.BatchSucceeded()) << x.zip.LastError;
        const auto tree = Tree(dir / "out");
        ASSERT_EQ(tree.size(), c.files.size());
        for (const auto& [name, size] : c.files) EXPECT_EQ(tree.count(name) ? tree.at(name).size() : 0u, size) << name;
    }
}

TEST(OtherToolsForms, RecoveryKeepsZip64AndStreamedItemsAndFindingNothingIsAnError) {
    testsupport::TempDir dir;
    Extractor x;
    x.zip.FileName = WinName(kSeeds / "recovery-nothing.zip");
    try {
        x.zip.OpenArchive();
        ADD_FAILURE() << "a file with nothing to recover opened";
    } catch (const EZAException& e) {
        EXPECT_EQ(e.NativeError(), ZAError::EndRecordNotFound);
        EXPECT_STREQ(e.what(), "ZipArchiver1: Archive is damaged. Open failed - Native error: 00048");
    }
    EXPECT_FALSE(x.zip.IsOpen());

    x.zip.FileName = WinName(kSeeds / "recovery-zip64.zip");
    x.zip.OpenArchive();
    EXPECT_TRUE(x.zip.DirectoryRecovered());
    x.zip.CloseArchive();
    x.Run(kSeeds / "recovery-zip64.zip", dir / "out");
    EXPECT_TRUE(x.zip.BatchSucceeded()) << x.zip.LastError;
    const auto tree = Tree(dir / "out");
    ASSERT_EQ(tree.size(), 3u);
    EXPECT_EQ(tree.at("zip64.txt").size(), 600u);
    EXPECT_EQ(tree.at("streamed.txt").size(), 400u);
    EXPECT_EQ(tree.at("both.txt").size(), 250u);
}

TEST(OtherToolsForms, EachFailedItemSaysWhy) {
    testsupport::TempDir dir;
    Extractor x;
    x.Run(kSeeds / "failure-reasons.zip", dir / "out");
    EXPECT_FALSE(x.zip.BatchSucceeded());
    const std::string item8 = "ZipArchiver1: Invalid size or check sum of file or unsupported compression format. Item ";
    const std::vector<Failure> want = {
        {"deflate64.bin", ZAError::Deflate64NotSupported,
         "ZipArchiver1: Deflate64 compression method is not supported. Item \"deflate64.bin\" - Native error: "
         "00055"},
        {"bzip2.bin", ZAError::BadItemData,
         item8 + "\"bzip2.bin\": compression method 12 (bzip2) is not supported - Native error: 00008"},
        {"lzma.bin", ZAError::BadItemData,
         item8 + "\"lzma.bin\": compression method 14 (LZMA) is not supported - Native error: 00008"},
        {"aes-strength.bin", ZAError::BadItemData,
         item8 + "\"aes-strength.bin\": encrypted with AES in a form that is not supported (key strength 4, vendor "
                 "version 2) - Native error: 00008"},
        {"aes-no-field.bin", ZAError::BadItemData,
         item8 + "\"aes-no-field.bin\": encrypted with AES in a form that is not supported (no AES field gives its "
                 "key strength and compression method) - Native error: 00008"},
        {"crc.txt", ZAError::BadItemData,
         item8 + "\"crc.txt\": CRC-32 mismatch: the data does not match its check sum - Native error: 00008"},
        {"overlap-1.bin", ZAError::BadItemData,
         item8 + "\"overlap-1.bin\": its stored bytes overlap another item's, as in a zip bomb - Native error: 00008"},
        {"overlap-2.bin", ZAError::BadItemData,
         item8 + "\"overlap-2.bin\": its stored bytes overlap another item's, as in a zip bomb - Native error: 00008"},
    };
    ASSERT_EQ(x.failures.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        SCOPED_TRACE(want[i].name);
        EXPECT_EQ(x.failures[i].name, want[i].name);
        EXPECT_EQ(x.failures[i].code, want[i].code);
        EXPECT_EQ(x.failures[i].message, want[i].message);
    }
    EXPECT_EQ(x.zip.FailedCount, static_cast<int32_t>(want.size()));
    // The batch's last error is the last failure's message, which names its item once.
    EXPECT_EQ(x.zip.LastError, want.back().message);
    EXPECT_EQ(Tree(dir / "out"), (std::map<std::string, std::string>{{"good.txt", "this one is sound\n"}}));

    // Without a handler the exception carries the same text, and the item by itself.
    TZipArchiver zip;
    zip.FileName = WinName(kSeeds / "failure-reasons.zip");
    zip.OpenArchive();
    TMemoryStream sink;
    try {
        zip.ExtractItemToStream(1, sink);
        ADD_FAILURE() << "the bzip2 item decoded";
    } catch (const EZAException& e) {
        EXPECT_EQ(e.ItemName(), "bzip2.bin");
        EXPECT_NE(std::string(e.what()).find("compression method 12 (bzip2) is not supported"), std::string::npos);
    }
}

TEST(OtherToolsForms, OtherToolsUnicodePathFieldNamesTheItemWhenItsCrcMatches) {
    testsupport::TempDir dir;
    EXPECT_EQ(ExtractWhole("unicode-path.zip", dir / "out"), (std::map<std::string, std::string>{
                        {"Отчёт.txt", "named by the field\n"},
                        {"stale.txt", "renamed since: the CRC no longer matches\n"},
                        {"version.txt", "a version this field never had\n"},
                    }));
}

TEST(OtherToolsForms, AnExtractionHandlerMaySendAnItemAnywhere) {
    // The stored name is kept inside the base folder; a name the caller's own handler gives is
    // honoured wherever it leads, as the overwrite handler's is.
    testsupport::TempDir dir;
    WriteBytes(dir / "a.zip", BuildZip({{.name = "docs/a.txt", .data = "alpha"}, {.name = "../b.txt", .data = "bravo"},
                                        {.name = "c.txt", .data = "charlie"}}));
    const fs::path elsewhere = dir / "elsewhere" / "deeper";
    Extractor x;
    x.zip.OnExtractFile = [&](TZABaseArchiver&, std::u16string& name, uint32_t&, const std::string&) {
        if (name == u"docs\\a.txt") name = WinName(elsewhere / "moved.txt");
        if (name == u"c.txt") name = u"..\\beside.txt";
    };
    x.Run(dir / "a.zip", dir / "out");
    EXPECT_EQ(testsupport::ReadFile(elsewhere / "moved.txt"), "alpha");
    EXPECT_EQ(testsupport::ReadFile(dir / "beside.txt"), "charlie");
    // The stored "../b.txt" the handler left alone is refused.
    ASSERT_EQ(x.failures.size(), 1u);
    EXPECT_EQ(x.failures[0].name, "..\\b.txt");
    EXPECT_FALSE(fs::exists(dir / "b.txt"));
    EXPECT_FALSE(fs::exists(dir / "out" / "docs" / "a.txt"));
}
