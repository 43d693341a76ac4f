// The two single-byte code pages of the data: 1251 (ANSI, the data files) and 866 (OEM, archive names).
#pragma once

#include <string>
#include <string_view>

namespace platform {

enum class CodePage { Cp1251 = 1251, Cp866 = 866 };

// Byte to UTF-16. Every byte has a character, so decoding never fails.
char16_t ByteToChar(unsigned char byte, CodePage cp);
// UTF-16 unit to byte; -1 when the code page has no such character.
int CharToByte(char32_t ch, CodePage cp);

// What the encoders write for a character the code page cannot hold.
constexpr char kReplacementByte = '?';

std::u16string DecodeBytes(std::string_view bytes, CodePage cp);
std::string EncodeBytes(std::u16string_view text, CodePage cp);

// The same over UTF-8, the form text takes inside both programs.
std::string BytesToUtf8(std::string_view bytes, CodePage cp = CodePage::Cp1251);
std::string Utf8ToBytes(std::string_view utf8, CodePage cp = CodePage::Cp1251);

}  // namespace platform
