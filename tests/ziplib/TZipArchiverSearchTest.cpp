// Guards which items a search selects: masks without case (Latin and Cyrillic), "*.*" for names
// without a dot, masks with folders and drives, the exclusion mask, folder depth and attributes,
// the fields the search record reports, and the archiver's mask lists.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ArchiveFixtures.h"
#include "TempDir.h"
#include "UniTestHelpers.h"
#include "names/ItemMasks.h"
#include "platform/Unicode.h"
#include "ziplib/TUniStringList.h"
#include "ziplib/TZipArchiver.h"

using namespace ziplib;
using namespace ziptest;

TEST(ItemMatchesMask, Table) {
    const struct {
        std::u16string name, mask;
        bool match;
    } cases[] = {
        {u"readme", u"*.*", true},
        {u"docs/a.txt", u"*.*", true},
        {u"a.txt", u"*.TXT", true},
        {u"Пикник.txt", u"пик*", true},
        {u"ПИКНИК", u"пикник", true},
        {u"пикник.doc", u"*.txt", false},
        {u"a.txt", u"", false},
        {u"a.txt", u"?.txt", true},
        {u"ab.txt", u"?.txt", false},
        {u"readme", u"*.", true},       // a mask ending in '.' asks for no extension
        {u"readme.txt", u"*.", false},
        {u"dir.d/readme", u"*.", true},  // a dot in a folder is no extension
        {u"readme.", u"readme", true},   // a name's trailing dot is not compared
        {u"a.tar.gz", u"*.gz", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(platform::Utf16ToUtf8(c.name) + " / " + platform::Utf16ToUtf8(c.mask));
        EXPECT_EQ(ItemMatchesMask(c.name, c.mask), c.match);
    }
}

namespace {

std::vector<std::string> Found(TZipArchiver& zip, const std::u16string& mask, const std::u16string& exclusion = u"",
                               int32_t attr = kSearchEveryItem) {
    std::vector<std::string> names;
    TZAArchiveItem f;
    for (bool ok = zip.FindFirst(mask, f, exclusion, attr); ok; ok = zip.FindNext(f))
        names.push_back(platform::Utf16ToUtf8(f.StoredPath + f.FileName));
    return names;
}

class Search : public ::testing::Test {
protected:
    void SetUp() override {
        WriteBytes(dir / "a.zip",
                   BuildZip({
                       {.name = "readme", .data = "r"},
                       {.name = "a.txt", .data = std::string(100, 'a')},
                       {.name = "docs/", .data = "", .externalAttributes = kAttrDirectory},
                       {.name = "docs/b.TXT", .data = "b"},
                       {.name = "docs/hidden.txt", .data = "h", .externalAttributes = kAttrArchive | 0x02},
                       {.name = "docs/sub/c.txt", .data = "c"},
                       {.name = "Рассказы/Пикник.doc", .data = "п", .flags = 0x800},  // UTF-8
                   }));
        zip.FileName = WinName(dir / "a.zip");
        zip.OpenArchive();
    }
    testsupport::TempDir dir;
    TZipArchiver zip;
};

}  // namespace

TEST_F(Search, MasksFoldersAndAttributes) {
    EXPECT_EQ(Found(zip, u"*.*"), (std::vector<std::string>{"readme", "a.txt", "docs", "docs\\b.TXT", "docs\\hidden.txt",
                                                            "docs\\sub\\c.txt", "Рассказы\\Пикник.doc"}));
    EXPECT_EQ(Found(zip, u"*.txt"),
              (std::vector<std::string>{"a.txt", "docs\\b.TXT", "docs\\hidden.txt", "docs\\sub\\c.txt"}));
    // With sub-folders searched, '*' reaches into them.
    EXPECT_EQ(Found(zip, u"docs\\*.txt"),
              (std::vector<std::string>{"docs\\b.TXT", "docs\\hidden.txt", "docs\\sub\\c.txt"}));
    EXPECT_EQ(Found(zip, u"C:\\docs\\*.txt"), Found(zip, u"docs\\*.txt"));
    EXPECT_EQ(Found(zip, u"*.txt", u"docs/*"), (std::vector<std::string>{"a.txt"}));
    EXPECT_EQ(Found(zip, u"пикник.*"), (std::vector<std::string>{"Рассказы\\Пикник.doc"}));
    // Without the hidden and folder bits in the filter those items stay out.
    EXPECT_EQ(Found(zip, u"docs*", u"", 0x20), (std::vector<std::string>{"docs\\b.TXT", "docs\\sub\\c.txt"}));
    EXPECT_EQ(Found(zip, u"*.txt", u"", 0x01), (std::vector<std::string>{"a.txt", "docs\\b.TXT", "docs\\sub\\c.txt"}));
    zip.Options.Recurse = false;
    EXPECT_EQ(Found(zip, u"*.txt"), (std::vector<std::string>{"a.txt"}));
    EXPECT_EQ(Found(zip, u"DOCS\\*.txt"), (std::vector<std::string>{"docs\\b.TXT", "docs\\hidden.txt"}));
}

TEST_F(Search, TheRecordDescribesTheItemFound) {
    TZAArchiveItem f;
    ASSERT_TRUE(zip.FindFirst(u"a.txt", f, u"", kSearchEveryItem));
    EXPECT_EQ(f.FileName, u"a.txt");
    EXPECT_EQ(f.StoredPath, u"");
    EXPECT_EQ(f.UncompressedSize, 100u);
    EXPECT_EQ(f.CompressedSize, 100u);
    EXPECT_EQ(f.CompressionRate, 0.0);
    EXPECT_EQ(f.CRC, Crc(std::string(100, 'a')));
    EXPECT_EQ(f.InternalSearchRec.Index, 1);
    EXPECT_FALSE(f.InternalSearchRec.HasWildcards);
    EXPECT_FALSE(zip.FindNext(f));
    EXPECT_EQ(f.FileName, u"a.txt");  // a failed search leaves the record as it was

    ASSERT_TRUE(zip.FindFirst(u"docs", f, u"", kSearchEveryItem));
    EXPECT_EQ(f.FileName, u"docs");
    EXPECT_EQ(f.CompressionRate, 100.0);  // nothing stored at all
    ASSERT_TRUE(zip.FindFirst(u"*/c.txt", f, u"", kSearchEveryItem));
    EXPECT_EQ(f.StoredPath, u"docs\\sub\\");
}

TEST_F(Search, MarksFollowTheLastSelection) {
    zip.MarkFilesToProcess(u"*.txt", kSearchEveryItem, u"");
    zip.TestFiles(u"docs\\*", kSearchEveryItem, u"");
    EXPECT_EQ(zip.MarkedCount, 3);  // what is inside the folder, not the folder itself
    EXPECT_TRUE(zip.BatchSucceeded());
}

// The three mask lists are set as copies, each replacing what was there; a search over the
// lists takes what a file mask matches and no exclusion does.
TEST_F(Search, MaskListsAreSetAsCopiesAndSteerASearch) {
    TUniStringList files, excluded, stored;
    files.Add(u"*.txt");
    files.Add(u"README");
    excluded.Add(u"docs\\sub\\*");
    stored.Add(u"*.zip");
    zip.SetFileMasks(files);
    zip.SetExclusionMasks(excluded);
    zip.SetNoCompressionMasks(stored);
    files.Clear();
    excluded.Add(u"*");
    stored.Clear();
    EXPECT_EQ(unitest::Lines(zip.FileMasks()), (std::vector<std::u16string>{u"*.txt", u"README"}));
    EXPECT_EQ(unitest::Lines(zip.ExclusionMasks()), (std::vector<std::u16string>{u"docs\\sub\\*"}));
    EXPECT_EQ(unitest::Lines(zip.NoCompressionMasks()), (std::vector<std::u16string>{u"*.zip"}));

    const auto listed = [&] {
        std::vector<std::string> names;
        TZAArchiveItem f;
        f.InternalSearchRec.UseMaskLists = true;
        f.InternalSearchRec.SearchAttr = kSearchEveryItem;
        f.InternalSearchRec.Index = -1;
        while (zip.FindNext(f)) names.push_back(platform::Utf16ToUtf8(f.StoredPath + f.FileName));
        return names;
    };
    EXPECT_EQ(listed(), (std::vector<std::string>{"readme", "a.txt", "docs\\b.TXT", "docs\\hidden.txt"}));

    TUniStringList one;
    one.Add(u"a.txt");
    zip.SetFileMasks(one);
    zip.SetExclusionMasks(TUniStringList());
    zip.SetNoCompressionMasks(one);
    EXPECT_EQ(unitest::Lines(zip.FileMasks()), (std::vector<std::u16string>{u"a.txt"}));
    EXPECT_EQ(zip.ExclusionMasks().Count(), 0);
    EXPECT_EQ(unitest::Lines(zip.NoCompressionMasks()), (std::vector<std::u16string>{u"a.txt"}));
    EXPECT_EQ(listed(), (std::vector<std::string>{"a.txt"}));
}
