// The order of the 256 bytes of the ANSI code page in the user's locale: for each byte its
// position (how many bytes sort before it, each taken as a one-character string), and the byte
// at each position. Made once per process and read-only afterwards.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace ziplib {

struct AnsiCollationTables {
    std::array<std::uint8_t, 256> Position;    // by byte value
    std::array<std::uint8_t, 256> ByPosition;  // the inverse: the byte at each position
};

// Turkish: its collation is not taken; the bytes keep a fixed order, their own value order.
inline constexpr std::uint32_t kTurkishLocale = 1055;
inline constexpr std::uint32_t kRussianLocale = 1049;

// The locale id a POSIX locale name stands for. The ANSI code page is 1251 whatever the
// environment says, so every locale but Turkish ("tr", "tr_TR.UTF-8") is taken as Russian.
std::uint32_t LocaleIdOf(std::string_view posixLocale);
// The user's locale id, from the first of LC_ALL, LC_COLLATE and LANG that is set.
std::uint32_t UserDefaultLocale();

// The tables for `locale`: the platform's collation through code page 1251, or for Turkish the
// fixed order.
AnsiCollationTables MakeAnsiCollation(std::uint32_t locale);
// The process's tables, for the user's locale at the first call.
const AnsiCollationTables& AnsiCollation();

}  // namespace ziplib
