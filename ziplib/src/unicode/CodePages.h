// Wide (UTF-16) text to and from 8-bit text in a named code page, UTF-7 and UTF-8 included.
// Code page 0 is the system ANSI code page, which is 1251 here; 1 is the OEM one, 866.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ziplib {

// The library always runs on a platform with wide file names; callers that once chose between
// wide and 8-bit file calls by this flag keep asking it.
inline constexpr bool UnicodePlatform = true;

inline constexpr uint32_t CP_ACP = 0;
inline constexpr uint32_t CP_OEMCP = 1;
inline constexpr uint32_t CP_UTF7 = 65000;
inline constexpr uint32_t CP_UTF8 = 65001;
inline constexpr uint32_t AnsiCodePage = 1251;  // what code page 0 stands for
inline constexpr uint32_t OemCodePage = 866;

// Code pages 0, 1, 866, 1251, 65000 and 65001. Any other raises EUniGeneralError, so text is never
// silently dropped. Malformed UTF-7 raises EUniGeneralError "Invalid UTF7"; malformed UTF-8 becomes
// U+FFFD; a character the code page lacks becomes '?'.
std::u16string CodePageToWide(std::string_view s, uint32_t codePage);
std::string WideToCodePage(std::u16string_view w, uint32_t codePage);

std::string WideToUtf7(std::u16string_view w);
std::u16string Utf7ToWide(std::string_view s);

}  // namespace ziplib
