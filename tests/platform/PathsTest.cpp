// Guards path lookup as the data tree needs it: either separator, doubled separators, and a
// case-insensitive match of each component (Cyrillic too) when the exact name is missing.
#include <gtest/gtest.h>

#include "TempDir.h"
#include "platform/Paths.h"

using testsupport::TempDir;
using testsupport::WriteFile;

TEST(Paths, NormalizeSeparators) {
    EXPECT_EQ(platform::NormalizeSeparators("a\\\\b/c\\"), "a/b/c");
    EXPECT_EQ(platform::NormalizeSeparators("/x//y\\z.txt"), "/x/y/z.txt");
    EXPECT_EQ(platform::NormalizeSeparators("/"), "/");
}

TEST(Paths, ResolvesMixedSeparatorsAndCase) {
    TempDir dir;
    WriteFile(dir / "docs/Story.rtf", "x");
    WriteFile(dir / "Фантастика/Книги.txt", "y");
    const std::string root = dir.path().string();
    struct Case { std::string ask; std::string expect; };
    const Case cases[] = {
        {root + "\\Docs\\story.RTF", root + "/docs/Story.rtf"},
        {root + "\\\\docs//Story.rtf", root + "/docs/Story.rtf"},
        {root + "/фантастика\\КНИГИ.txt", root + "/Фантастика/Книги.txt"},
        {root + "\\DOCS\\new.txt", root + "/docs/new.txt"},        // missing file: folder found, name kept
        {root + "\\Nowhere\\A.txt", root + "/Nowhere/A.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ask);
        EXPECT_EQ(platform::ResolvePath(c.ask).string(), c.expect);
    }
    EXPECT_TRUE(platform::FileExists(root + "\\DOCS\\STORY.rtf"));
    EXPECT_TRUE(platform::DirectoryExists(root + "\\Docs"));
    EXPECT_FALSE(platform::FileExists(root + "\\Docs"));
    EXPECT_FALSE(platform::DirectoryExists(root + "\\docs\\story.rtf"));
}

TEST(Paths, ExactNameWinsOverOtherCases) {
    TempDir dir;
    WriteFile(dir / "a/Docs/x", "1");
    WriteFile(dir / "a/docs/x", "2");
    const std::string root = dir.path().string();
    EXPECT_EQ(platform::ResolvePath(root + "/a/docs/x").string(), root + "/a/docs/x");
    EXPECT_EQ(platform::ResolvePath(root + "/a/Docs/x").string(), root + "/a/Docs/x");
    EXPECT_EQ(platform::ResolvePath(root + "/a/DOCS/x").string(), root + "/a/Docs/x");  // smallest name
}
