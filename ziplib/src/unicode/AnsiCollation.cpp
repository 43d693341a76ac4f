#include "unicode/AnsiCollation.h"

#include <algorithm>
#include <cstdlib>
#include <numeric>
#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "platform/Unicode.h"

namespace ziplib {

std::uint32_t LocaleIdOf(std::string_view posixLocale) {
    const std::string_view language = posixLocale.substr(0, posixLocale.find_first_of("_.@"));
    return language == "tr" ? kTurkishLocale : kRussianLocale;
}

std::uint32_t UserDefaultLocale() {
    for (const char* name : {"LC_ALL", "LC_COLLATE", "LANG"})
        if (const char* value = std::getenv(name); value && *value) return LocaleIdOf(value);
    return kRussianLocale;
}

AnsiCollationTables MakeAnsiCollation(std::uint32_t locale) {
    AnsiCollationTables t{};
    if (locale == kTurkishLocale) {
        std::iota(t.Position.begin(), t.Position.end(), 0);
        std::iota(t.ByPosition.begin(), t.ByPosition.end(), 0);
        return t;
    }
    std::vector<platform::SortKey> keys;
    keys.reserve(256);
    for (int b = 0; b < 256; ++b) {
        const char16_t c = platform::ByteToChar(static_cast<unsigned char>(b), platform::CodePage::Cp1251);
        keys.push_back(platform::MakeSortKey(platform::Utf16ToUtf8(std::u16string_view(&c, 1))));
    }
    std::vector<std::uint8_t> order(256);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](std::uint8_t a, std::uint8_t b) { return keys[a] < keys[b]; });
    for (std::size_t i = 0; i < order.size(); ++i) {
        const std::uint8_t b = order[i];
        t.ByPosition[i] = b;
        // A position counts the bytes sorting lower: bytes that sort alike share one.
        const bool tied = i > 0 && !(keys[order[i - 1]] < keys[b]);
        t.Position[b] = tied ? t.Position[order[i - 1]] : static_cast<std::uint8_t>(i);
    }
    return t;
}

const AnsiCollationTables& AnsiCollation() {
    static const AnsiCollationTables tables = MakeAnsiCollation(UserDefaultLocale());
    return tables;
}

}  // namespace ziplib
