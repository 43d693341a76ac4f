// Guards the ANSI collation tables: every byte of code page 1251 placed as the user's collation
// orders it as a one-character string (the order WideCompareChars compares by), the inverse
// table, the fixed order taken for a Turkish user, and how the user's locale is read.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "TempDir.h"
#include "platform/CodePage.h"
#include "unicode/AnsiCollation.h"
#include "ziplib/WidePaths.h"

namespace {

using namespace ziplib;

std::u16string CharOf(int byte) {
    return std::u16string(1, platform::ByteToChar(static_cast<unsigned char>(byte), platform::CodePage::Cp1251));
}

TEST(AnsiCollation, PositionsFollowTheUsersCollation) {
    const AnsiCollationTables t = MakeAnsiCollation(kRussianLocale);
    EXPECT_EQ(std::set<int>(t.Position.begin(), t.Position.end()).size(), 256u) << "every byte sorts apart";
    for (int b = 0; b < 256; ++b) EXPECT_EQ(t.ByPosition[t.Position[b]], b) << "byte " << b;
    for (int a = 0; a < 256; ++a)
        for (int b = a + 1; b < 256; ++b)
            ASSERT_EQ(t.Position[a] < t.Position[b], WideCompareChars(CharOf(a), CharOf(b), 1) < 0)
                << "bytes " << a << " and " << b;
    // Where the collation and the byte values disagree.
    EXPECT_LT(t.Position['a'], t.Position['Z']);
    EXPECT_LT(t.Position[0xE5], t.Position[0xB8]);  // е, ё, ж
    EXPECT_LT(t.Position[0xB8], t.Position[0xE6]);
    EXPECT_LT(t.Position[0xE0], t.Position[0xC1]);  // а before Б
}

TEST(AnsiCollation, TurkishUsersGetTheFixedOrder) {
    const AnsiCollationTables t = MakeAnsiCollation(kTurkishLocale);
    for (int b = 0; b < 256; ++b) {
        EXPECT_EQ(t.Position[b], b);
        EXPECT_EQ(t.ByPosition[b], b);
    }
}

TEST(AnsiCollation, UserLocaleFromTheEnvironment) {
    struct Case {
        const char* name;
        std::uint32_t id;
    } names[] = {{"tr_TR.UTF-8", kTurkishLocale}, {"tr", kTurkishLocale}, {"tr@euro", kTurkishLocale},
                 {"ru_RU.UTF-8", kRussianLocale}, {"C", kRussianLocale},  {"tt_RU", kRussianLocale},
                 {"", kRussianLocale}};
    for (const auto& c : names) EXPECT_EQ(LocaleIdOf(c.name), c.id) << c.name;

    // LC_ALL over LC_COLLATE over LANG; an empty one counts as unset.
    testsupport::EnvGuard all("LC_ALL", std::nullopt), collate("LC_COLLATE", std::nullopt), lang("LANG", "tr_TR");
    EXPECT_EQ(UserDefaultLocale(), kTurkishLocale);
    {
        testsupport::EnvGuard c("LC_COLLATE", "ru_RU.UTF-8");
        EXPECT_EQ(UserDefaultLocale(), kRussianLocale);
        testsupport::EnvGuard a("LC_ALL", "tr_TR.UTF-8");
        EXPECT_EQ(UserDefaultLocale(), kTurkishLocale);
    }
    testsupport::EnvGuard empty("LC_ALL", "");
    EXPECT_EQ(UserDefaultLocale(), kTurkishLocale);
    testsupport::EnvGuard none("LANG", std::nullopt);
    EXPECT_EQ(UserDefaultLocale(), kRussianLocale);
}

}  // namespace
