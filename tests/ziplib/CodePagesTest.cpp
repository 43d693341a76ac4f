// Guards the code-page conversions: UTF-7 as the stored texts use it (direct characters, "+-",
// where a run is closed) and its malformed inputs, every byte of 1251 and 866 both ways with code
// pages 0 and 1 standing for them, UTF-8, and the refusal of code pages we cannot convert.
#include <gtest/gtest.h>

#include "UniTestHelpers.h"
#include "unicode/CodePages.h"
#include "ziplib/UniExceptions.h"

using namespace ziplib;
using unitest::U8;

TEST(Utf7, DecodesAndEncodesTheKnownTexts) {
    struct Case { const char* name; std::u16string wide; std::string utf7; };
    const Case cases[] = {
        {"run ended by a full stop", u"A\u2262\u0391.", "A+ImIDkQ."},
        {"plus sign", u"A+B", "A+-B"},
        {"optional direct character", u"!", "!"},
        {"run closed before '-'", u"Hi Mom -\u263A-!", "Hi Mom -+Jjo--!"},
        {"run reaching the end", u"\u65E5\u672C\u8A9E", "+ZeVnLIqe"},
        {"run closed before a base64 letter", u"\u00E9a", "+AOk-a"},
        {"run closed before '/'", u"\u00E9/", "+AOk-/"},
        {"plus sign inside a run", u"\u00E9+", "+AOkAKw"},
        {"white space", u"a b\t\r\n", "a b\t\r\n"},
        {"empty", u"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(WideToUtf7(c.wide), c.utf7);
        EXPECT_EQ(Utf7ToWide(c.utf7), c.wide);
        EXPECT_EQ(WideToCodePage(c.wide, CP_UTF7), c.utf7);
        EXPECT_EQ(CodePageToWide(c.utf7, CP_UTF7), c.wide);
    }
}

TEST(Utf7, DecodingAcceptsRunsEndedByAnyByte) {
    EXPECT_EQ(Utf7ToWide("+AGE."), u"a.");     // ended by a non-base64 byte that stays text
    EXPECT_EQ(Utf7ToWide("+AGE-x"), u"ax");    // the closing '-' is consumed
    EXPECT_EQ(Utf7ToWide("+AGE--"), u"a-");
    EXPECT_EQ(Utf7ToWide("+AGE"), u"a");       // ended by the end of the text
    EXPECT_EQ(Utf7ToWide("~\\"), u"~\\");      // bytes outside every set are still copied
}

TEST(Utf7, RoundTripsAnyText) {
    std::u16string all;
    for (char16_t c = 0; c < 0x180; ++c) all += c;
    const std::u16string texts[] = {
        all,
        u"Книги и рассказы, \u2116 5 + 3 = 8 ~ \\path\\",
        u"\xD83D\xDE00 surrogates \xD83D\xDE00",  // a pair passes as two units
        u"++--++",
        u"\u00E9-\u00E9-",
    };
    for (const auto& t : texts) {
        SCOPED_TRACE(U8(t));
        const std::string enc = WideToUtf7(t);
        for (char c : enc) EXPECT_LT(static_cast<unsigned char>(c), 128);
        EXPECT_EQ(Utf7ToWide(enc), t);
    }
}

TEST(Utf7, MalformedInputRaises) {
    const char* cases[] = {
        "a\xC0",      // a byte above 127 outside a run
        "+AGE\xC0",   // ... also right after a run
        "+",          // a run with no character
        "+!",
        "a+.b",
        "+A",         // six bits, no character
        "+AGF",       // bits left over that are not zero
    };
    for (const char* c : cases) {
        SCOPED_TRACE(c);
        try {
            Utf7ToWide(c);
            ADD_FAILURE() << "no exception";
        } catch (const EUniGeneralError& e) {
            EXPECT_STREQ(e.what(), "Invalid UTF7");
        }
    }
}

TEST(CodePages, EveryByteOfBothSingleByteCodePagesBothWays) {
    struct Page { uint32_t cp; uint32_t alias; unsigned char byte; char16_t ch; };
    // A known letter of each code page, to tell the two tables apart.
    const Page pages[] = {{1251, CP_ACP, 0xC0, u'А'}, {866, CP_OEMCP, 0x80, u'А'}};
    for (const auto& p : pages) {
        SCOPED_TRACE(p.cp);
        std::u16string seen;
        for (int b = 0; b < 256; ++b) {
            SCOPED_TRACE(b);
            const std::string one(1, static_cast<char>(b));
            const std::u16string w = CodePageToWide(one, p.cp);
            ASSERT_EQ(w.size(), 1u);
            if (b < 128) {
                EXPECT_EQ(w[0], static_cast<char16_t>(b));
            }
            EXPECT_EQ(seen.find(w[0]), std::u16string::npos) << "two bytes share a character";
            seen += w[0];
            EXPECT_EQ(WideToCodePage(w, p.cp), one);
            EXPECT_EQ(CodePageToWide(one, p.alias), w);
            EXPECT_EQ(WideToCodePage(w, p.alias), one);
        }
        EXPECT_EQ(CodePageToWide(std::string(1, static_cast<char>(p.byte)), p.cp), std::u16string(1, p.ch));
    }
    EXPECT_EQ(WideToCodePage(u"a€b", 866), "a?b");  // no euro sign in 866
    EXPECT_EQ(WideToCodePage(u"a€b", 1251), "a\x88" "b");
}

TEST(CodePages, Utf8AndEmptyInputs) {
    EXPECT_EQ(CodePageToWide("\xD0\x9A\xD0\xBD\xD0\xB8\xD0\xB3\xD0\xB0", CP_UTF8), u"Книга");
    EXPECT_EQ(WideToCodePage(u"Книга \xD83D\xDE00", CP_UTF8), "Книга \xF0\x9F\x98\x80");
    EXPECT_EQ(CodePageToWide("a\xFF" "b", CP_UTF8), u"a\uFFFDb");
    for (uint32_t cp : {CP_ACP, CP_UTF7, CP_UTF8, 866u, 12345u}) {
        EXPECT_EQ(CodePageToWide("", cp), u"");
        EXPECT_EQ(WideToCodePage(u"", cp), "");
    }
}

TEST(CodePages, UnknownCodePageRaisesInsteadOfDroppingText) {
    EXPECT_THROW(CodePageToWide("abc", 1252), EUniGeneralError);
    EXPECT_THROW(WideToCodePage(u"abc", 437), EUniGeneralError);
}
