// Guards reading and writing list files: the byte-order mark decides the character set (and is
// not text), big-endian text is swapped in full, saving writes UTF-16LE with its mark and loads
// back the same lines, and the 8-bit view converts in its code page.
#include <gtest/gtest.h>

#include "TempDir.h"
#include "UniTestHelpers.h"
#include "ziplib/TMemoryStream.h"
#include "ziplib/TUniStringList.h"
#include "ziplib/UniExceptions.h"

using namespace ziplib;
using testsupport::TempDir;
using testsupport::WriteFile;
using unitest::Lines;
using unitest::U8;
using unitest::WinName;

TEST(TUniStringsLoad, ByteOrderMarkChoosesTheCharacterSet) {
    using V = std::vector<std::u16string>;
    struct Case { const char* name; std::string bytes; TStreamCharSet set; V lines; };
    const Case cases[] = {
        {"UTF-16BE", std::string("\xFE\xFF\x04\x1A\x00\x0D\x00\x0A\x00\x62", 10), TStreamCharSet::scUtf16BE, {u"К", u"b"}},
        {"UTF-16LE", std::string("\xFF\xFE\x1A\x04\x0A\x00\x62\x00", 8), TStreamCharSet::scUtf16LE, {u"К", u"b"}},
        {"UTF-16LE, odd last byte left", std::string("\xFF\xFE\x61\x00\x62", 5), TStreamCharSet::scUtf16LE, {u"a"}},
        {"UTF-8", "\xEF\xBB\xBF\xD0\x9A\r\nb", TStreamCharSet::scUtf8, {u"К", u"b"}},
        {"ANSI, no mark", "\xCA\xED\xE8\xE3\xE0\r\r\nx", TStreamCharSet::scAnsi, {u"Книга", u"", u"x"}},
        {"one byte", "\xC0", TStreamCharSet::scAnsi, {u"А"}},
        {"two bytes, no mark", "ab", TStreamCharSet::scAnsi, {u"ab"}},
        {"a mark only", "\xFF\xFE", TStreamCharSet::scUtf16LE, {}},
        {"empty", "", TStreamCharSet::scAnsi, {}},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TMemoryStream m(c.bytes);
        EXPECT_EQ(DetectStreamCharSet(m), c.set);
        m.SetPosition(0);
        TUniStringList list;
        list.Add(u"old");
        list.LoadFromStream(m);
        EXPECT_EQ(Lines(list), c.lines);

        WriteFile(dir / "f.txt", c.bytes);
        TUniStringList fromFile;
        fromFile.LoadFromFile(WinName(dir / "F.TXT"));
        EXPECT_EQ(fromFile.LastLoadedCharSet(), c.set);
        EXPECT_EQ(Lines(fromFile), c.lines);
    }
}

TEST(TUniStringsLoad, BigEndianTextIsSwappedPastAZeroCharacter) {
    // "a", U+0000, "b", CR LF, "Я": every character must come out right, the ones after the zero too.
    const std::string bytes("\xFE\xFF\x00\x61\x00\x00\x00\x62\x00\x0D\x00\x0A\x04\x2F", 14);
    TMemoryStream m(bytes);
    TUniStringList list;
    list.LoadFromStream(m);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list[0], std::u16string(u"a\0b", 3));
    EXPECT_EQ(list[1], u"Я");
}

TEST(TUniStringsLoad, WithoutMarkTheStreamIsUtf16LittleEndian) {
    TMemoryStream m(std::string("\xFF\xFE\x61\x00", 4));
    TUniStringList list;
    list.LoadFromStreamWithMark(m, false);
    EXPECT_EQ(Lines(list), (std::vector<std::u16string>{u"\uFEFFa"}));
}

TEST(TUniStringsSave, SaveThenLoadGivesTheSameLines) {
    TempDir dir;
    TUniStringList list;
    for (const char16_t* s : {u"Книги", u"", u"a=b", u"\xD83D\xDE00 ё"}) list.Add(s);
    const std::u16string name = WinName(dir / "list.txt");
    list.SaveToFile(name);
    EXPECT_EQ(testsupport::ReadFile(dir / "list.txt").substr(0, 8), std::string("\xFF\xFE\x1A\x04\x3D\x04\x38\x04", 8));
    TUniStringList back;
    back.LoadFromFile(name);
    EXPECT_EQ(Lines(back), Lines(list));
    EXPECT_EQ(back.LastLoadedCharSet(), TStreamCharSet::scUtf16LE);

    TMemoryStream m;
    list.SaveToStreamWithMark(m, false);
    EXPECT_EQ(m.Size(), 2 * static_cast<int64_t>(list.GetText().size()));
    EXPECT_EQ(m.Bytes()[0], 0x1A);
}

TEST(TUniStringsLoad, MissingFileRaisesTheOpenError) {
    TempDir dir;
    TUniStringList list;
    EXPECT_THROW(list.LoadFromFile(WinName(dir / "none.txt")), EFOpenError);
}

TEST(AnsiStringsAdapter, ShowsTheWideListInItsCodePage) {
    TUniStringList list;
    list.Add(u"Книга");
    TAnsiStrings& ansi = list.AnsiStrings();
    EXPECT_EQ(ansi.Count(), 1);
    EXPECT_EQ(ansi.Get(0), "\xCA\xED\xE8\xE3\xE0");  // code page 0: 1251
    ansi.Put(0, "\xC0");
    ansi.Insert(0, "\xFF");
    EXPECT_EQ(list[0], u"я");
    EXPECT_EQ(list[1], u"А");

    TMemoryStream out;
    ansi.SaveToStream(out);
    EXPECT_EQ(std::string(out.Bytes().begin(), out.Bytes().end()), "\xFF\r\n\xC0\r\n");

    TUniStringList other;
    TAnsiStringsForWideStringsAdapter oem(other, 866);
    TMemoryStream in("\x8A\x8D\r\nz");
    oem.LoadFromStream(in);
    EXPECT_EQ(Lines(other), (std::vector<std::u16string>{u"КН", u"z"}));
    TAnsiStringsForWideStringsAdapter ansiView(other, 1251);
    list.SetAnsiStrings(ansiView);
    EXPECT_EQ(Lines(list), Lines(other));
    oem.Delete(0);
    oem.Clear();
    EXPECT_EQ(other.Count(), 0);
}
