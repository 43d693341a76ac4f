// Guards the two single-byte code pages: every byte decodes and encodes back to itself, known
// letters land where the code pages put them, and what a code page cannot hold becomes "?".
#include <gtest/gtest.h>

#include "platform/CodePage.h"
#include "platform/Unicode.h"

using platform::CodePage;

TEST(CodePage, EveryByteRoundTripsInBothCodePages) {
    for (CodePage cp : {CodePage::Cp1251, CodePage::Cp866}) {
        for (int b = 0; b < 256; ++b) {
            SCOPED_TRACE(testing::Message() << "cp " << static_cast<int>(cp) << " byte " << b);
            const char16_t c = platform::ByteToChar(static_cast<unsigned char>(b), cp);
            EXPECT_EQ(platform::CharToByte(c, cp), b);
            const std::string one(1, static_cast<char>(b));
            EXPECT_EQ(platform::Utf8ToBytes(platform::BytesToUtf8(one, cp), cp), one);
            EXPECT_EQ(platform::EncodeBytes(platform::DecodeBytes(one, cp), cp), one);
        }
    }
}

TEST(CodePage, KnownLetters) {
    struct Case { CodePage cp; unsigned char byte; char16_t ch; };
    const Case cases[] = {
        {CodePage::Cp1251, 0xC0, u'А'}, {CodePage::Cp1251, 0xFF, u'я'}, {CodePage::Cp1251, 0xA8, u'Ё'},
        {CodePage::Cp1251, 0xB8, u'ё'}, {CodePage::Cp1251, 0xB9, u'№'}, {CodePage::Cp1251, 0x88, u'€'},
        {CodePage::Cp1251, 0x98, u'\u0098'},  // unassigned: kept as the control of the same number
        {CodePage::Cp866, 0x80, u'А'},  {CodePage::Cp866, 0xAF, u'п'},  {CodePage::Cp866, 0xE0, u'р'},
        {CodePage::Cp866, 0xF0, u'Ё'},  {CodePage::Cp866, 0xC4, u'─'},  {CodePage::Cp866, 0xFF, u'\u00A0'},
        {CodePage::Cp866, 0x41, u'A'},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.byte));
        EXPECT_EQ(platform::ByteToChar(c.byte, c.cp), c.ch);
    }
}

TEST(CodePage, UnmappableCharactersBecomeQuestionMarks) {
    EXPECT_EQ(platform::Utf8ToBytes("a€b", CodePage::Cp866), "a?b");
    EXPECT_EQ(platform::Utf8ToBytes("日本", CodePage::Cp1251), "??");
    EXPECT_EQ(platform::Utf8ToBytes("😀", CodePage::Cp1251), "?");            // one character, one byte
    EXPECT_EQ(platform::EncodeBytes(u"x😀y", CodePage::Cp1251), "x?y");
    EXPECT_EQ(platform::BytesToUtf8("\xCF\xF0\xE8\xE2\xE5\xF2"), "Привет");
}

TEST(Unicode, Utf8AndUtf16RoundTripAndRepairBadInput) {
    const std::string text = "Ёлка, ÿ, 日本, 😀";
    EXPECT_EQ(platform::Utf16ToUtf8(platform::Utf8ToUtf16(text)), text);
    EXPECT_EQ(platform::Utf8ToUtf16("a\xFF" "b"), u"a\uFFFDb");
    EXPECT_EQ(platform::Utf8ToUtf16("\xC0\x80z"), u"\uFFFDz");           // overlong
    EXPECT_EQ(platform::Utf16ToUtf8(u"\xD800x"), "\xEF\xBF\xBDx");        // lone surrogate
}

TEST(Unicode, CaseFoldingCoversLatinAndCyrillic) {
    EXPECT_EQ(platform::FoldCaseUtf8("ПИКНИК Ёж ÄÖ Docs"), "пикник ёж äö docs");
    EXPECT_TRUE(platform::EqualsNoCase("ЁЛКА", "ёлка"));
    EXPECT_TRUE(platform::EqualsNoCase("Ђак", "ђак"));
    EXPECT_FALSE(platform::EqualsNoCase("елка", "ёлка"));
    for (char32_t c = 0x400; c < 0x460; ++c) {
        SCOPED_TRACE(static_cast<int>(c));
        EXPECT_EQ(platform::FoldCase(platform::UpperCase(c)), platform::FoldCase(c));
    }
}
