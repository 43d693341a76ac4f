// Guards the pure path helpers on Windows-form names (drives, network shares, relative names,
// folder names compared without case), the wide replace, and the file-name masks, which must
// compare character by character, fold Cyrillic as well as Latin, and cope with long names.
#include <gtest/gtest.h>

#include "UniTestHelpers.h"
#include "ziplib/WidePaths.h"

using namespace ziplib;
using unitest::U8;

TEST(WidePaths, NameParts) {
    struct Case { std::u16string name, path, file, ext, drive; };
    const Case cases[] = {
        {u"C:\\x", u"C:\\", u"x", u"", u"C:"},
        {u"C:\\dir\\f.txt", u"C:\\dir\\", u"f.txt", u".txt", u"C:"},
        {u"\\\\srv\\share\\dir\\f.txt", u"\\\\srv\\share\\dir\\", u"f.txt", u".txt", u"\\\\srv\\share"},
        {u"\\\\srv\\share", u"\\\\srv\\", u"share", u"", u"\\\\srv\\share"},
        {u"C:file.txt", u"C:", u"file.txt", u".txt", u"C:"},
        {u"dir.d\\file", u"dir.d\\", u"file", u"", u""},
        {u"a.b.c", u"", u"a.b.c", u".c", u""},
        {u"Папка\\Книга.fb2", u"Папка\\", u"Книга.fb2", u".fb2", u""},
        {u"\\root\\", u"\\root\\", u"", u"", u""},
        {u"", u"", u"", u"", u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(U8(c.name));
        EXPECT_EQ(WideExtractFilePath(c.name), c.path);
        EXPECT_EQ(WideExtractFileName(c.name), c.file);
        EXPECT_EQ(WideExtractFileExt(c.name), c.ext);
        EXPECT_EQ(WideExtractFileDrive(c.name), c.drive);
    }
}

TEST(WidePaths, DelimitersAndTrailingBackslash) {
    EXPECT_EQ(WideLastDelimiter(u"\\:", u"C:\\a\\b"), 5);
    EXPECT_EQ(WideLastDelimiter(u".", u"abc"), 0);
    EXPECT_TRUE(WideIsPathDelimiter(u"a\\b", 2));
    EXPECT_FALSE(WideIsPathDelimiter(u"a\\b", 1));
    EXPECT_FALSE(WideIsPathDelimiter(u"a\\b", 0));
    EXPECT_FALSE(WideIsPathDelimiter(u"a\\", 3));
    EXPECT_EQ(WideExcludeTrailingBackslash(u"C:\\a\\\\"), u"C:\\a\\");  // one only
    EXPECT_EQ(WideExcludeTrailingBackslash(u"C:\\a"), u"C:\\a");
    EXPECT_EQ(WideExcludeTrailingBackslash(u""), u"");
}

TEST(WidePaths, RelativePath) {
    struct Case { std::u16string base, dest, expect; };
    const Case cases[] = {
        {u"C:\\a\\b\\f.txt", u"C:\\a\\c\\g.txt", u"..\\c\\g.txt"},
        {u"C:\\a\\f.txt", u"C:\\a\\b\\c\\g.txt", u"b\\c\\g.txt"},
        {u"C:\\a\\b\\c\\f.txt", u"C:\\a\\g.txt", u"..\\..\\g.txt"},
        {u"C:\\a\\b\\f.txt", u"C:\\a\\b\\g.txt", u"g.txt"},
        {u"c:\\A\\f.txt", u"C:\\a\\g.txt", u"g.txt"},
        {u"C:\\a\\f.txt", u"D:\\a\\g.txt", u"D:\\a\\g.txt"},
        {u"\\\\srv\\share\\a\\f.txt", u"\\\\srv\\share\\b\\g.txt", u"..\\b\\g.txt"},
        {u"\\\\srv\\one\\a\\f.txt", u"\\\\srv\\two\\a\\g.txt", u"\\\\srv\\two\\a\\g.txt"},
        {u"C:\\Книги\\f.txt", u"C:\\книги\\Новые\\g.txt", u"Новые\\g.txt"},
        {u"a\\b\\f", u"a\\c\\g", u"..\\c\\g"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(U8(c.base) + " -> " + U8(c.dest));
        EXPECT_EQ(WideExtractRelativePath(c.base, c.dest), c.expect);
    }
}

TEST(WidePaths, StringReplace) {
    struct Case { std::u16string s, from, to; unsigned flags; bool whole; std::u16string expect; };
    const Case cases[] = {
        {u"aXbXc", u"X", u"-", 0, false, u"a-bXc"},
        {u"aXbXc", u"X", u"-", rfReplaceAll, false, u"a-b-c"},
        {u"aXbxc", u"x", u"-", rfReplaceAll, false, u"aXb-c"},
        {u"aXbxc", u"x", u"-", rfReplaceAll | rfIgnoreCase, false, u"a-b-c"},
        {u"ДомДОМдом", u"дом", u"X", rfReplaceAll | rfIgnoreCase, false, u"XXX"},
        {u"aaa", u"aa", u"b", rfReplaceAll, false, u"ba"},
        {u"cat catalog cat.", u"cat", u"dog", rfReplaceAll, true, u"dog catalog dog."},
        {u"concat cat", u"cat", u"dog", 0, true, u"concat dog"},
        {u"abc", u"", u"x", rfReplaceAll, false, u"abc"},
        {u"", u"a", u"x", rfReplaceAll, false, u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(U8(c.s) + " / " + U8(c.from));
        EXPECT_EQ(WideStringReplace(c.s, c.from, c.to, c.flags, c.whole), c.expect);
    }
}

TEST(WidePaths, MasksCompareCharacterByCharacter) {
    struct Case { std::u16string name, mask; bool ignoreCase, expect; };
    const Case cases[] = {
        {u"abc", u"a*", false, true},
        {u"whatever.txt", u"*.*", false, true},
        {u"noext", u"*.*", false, true},
        {u"", u"*.*", false, true},
        {u"ab", u"a?c", false, false},
        {u"abc", u"a?c", false, true},
        {u"abc", u"ABC", false, false},
        {u"abc", u"ABC", true, true},
        {u"abd", u"ABC", true, false},
        {u"Книга.TXT", u"книга.*", true, true},
        {u"Книга.TXT", u"книга.*", false, false},
        {u"ФАЙЛ.ZIP", u"*.zip", true, true},
        {u"ёжик", u"Ё?ИК", true, true},
        {u"ёжик", u"Ё?ИК", false, false},
        {u"abc", u"*c", false, true},
        {u"abc", u"*b", false, false},
        {u"aXbXc", u"a*b*c", false, true},
        {u"x.tar.gz", u"*.gz", false, true},
        {u"a", u"a*", false, true},
        {u"", u"*", false, true},
        {u"", u"a", false, false},
        {u"abc", u"ab", false, false},
        {u"ab", u"abc", false, false},
        {u"abc", u"a*.*", false, true},  // the rest "*.*" takes anything
        {u"a", u"a**", false, false},    // a used-up name with more than "*" left
        {u"dir/sub/f.txt", u"*/f.txt", false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(U8(c.name) + " ~ " + U8(c.mask) + (c.ignoreCase ? " (no case)" : ""));
        EXPECT_EQ(WideMatchesMask(c.name, c.mask, c.ignoreCase), c.expect);
    }
}

TEST(WidePaths, LongNamesAgainstManyStars) {
    // An archive name may be 64K characters; the matcher must neither recurse per character
    // nor try every way of spreading the stars.
    const std::u16string name(65000, u'a');
    EXPECT_FALSE(WideMatchesMask(name, u"*a*a*a*a*b", false));
    EXPECT_TRUE(WideMatchesMask(name + u"b", u"*a*a*a*a*b", false));
    EXPECT_TRUE(WideMatchesMask(name, u"a*?*a", true));
}

// The user's collation, not code units: from "Z" on, each row orders the other way by code unit.
TEST(WidePaths, CompareCharsByTheUsersCollation) {
    struct Case {
        const char16_t* a;
        const char16_t* b;
        int len, expect;
    } cases[] = {
        {u"abc", u"abd", 2, 0},
        {u"abc", u"abd", 3, -1},
        {u"b", u"a", 1, 1},
        {u"ab", u"abc", 5, -1},
        {u"x", u"y", 0, 0},
        {u"Z", u"a", 1, 1},    // letters before case
        {u"Б", u"а", 1, 1},
        {u"ё", u"ж", 1, -1},   // Ё sorts with Е, not after Я
        {u"ея", u"ёа", 2, 1},  // and only breaks a tie
        {u"A", u"a", 1, -1},   // the tie: capitals first
        {u"е", u"ё", 1, -1},
        {u"\xD801", u"\xD800", 1, 1},  // lone surrogates are still told apart
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(U8(c.a) + " vs " + U8(c.b));
        EXPECT_EQ(WideCompareChars(c.a, c.b, c.len), c.expect);
        EXPECT_EQ(WideCompareChars(c.b, c.a, c.len), -c.expect);
    }
}
