// UTF-8 / UTF-16 conversion and the simple case folding used for names and searches.
#pragma once

#include <compare>
#include <string>
#include <string_view>

namespace platform {

// Malformed input never fails: each bad sequence becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);
std::u32string Utf8ToUtf32(std::string_view utf8);

// Lower case of one character for Latin (Basic, Latin-1, Extended-A), Greek and Cyrillic;
// other characters are returned unchanged.
char32_t FoldCase(char32_t c);
char32_t UpperCase(char32_t c);

std::string FoldCaseUtf8(std::string_view utf8);
std::u16string FoldCaseUtf16(std::u16string_view utf16);
bool EqualsNoCase(std::string_view a, std::string_view b);

// What a sorted list orders by, as a Russian reader expects: first the text with letter case
// ignored and Ё/ё taken as Е/е (code point order would put them after Я); texts equal so far
// by their exact text, capitals first and Ё right after Е.
struct SortKey {
    std::u32string primary;
    std::u32string exact;
    auto operator<=>(const SortKey&) const = default;
};
SortKey MakeSortKey(std::string_view utf8);

}  // namespace platform
