#include "platform/CodePage.h"

#include <algorithm>
#include <array>

#include "platform/Unicode.h"

namespace platform {
namespace {

#include "CodePageTables.inc"

const char16_t* High(CodePage cp) { return cp == CodePage::Cp866 ? kCp866High : kCp1251High; }

// Reverse maps for U+0080..U+FFFF built once: 0 means "not in this code page".
struct Reverse {
    std::array<unsigned char, 0x10000> byteOf{};
    explicit Reverse(const char16_t* high) {
        for (int b = 0x80; b < 0x100; ++b) byteOf[high[b - 0x80]] = static_cast<unsigned char>(b);
    }
};

const Reverse& ReverseOf(CodePage cp) {
    static const Reverse r1251(kCp1251High);
    static const Reverse r866(kCp866High);
    return cp == CodePage::Cp866 ? r866 : r1251;
}

}  // namespace

char16_t ByteToChar(unsigned char byte, CodePage cp) {
    return byte < 0x80 ? static_cast<char16_t>(byte) : High(cp)[byte - 0x80];
}

int CharToByte(char32_t ch, CodePage cp) {
    if (ch < 0x80) return static_cast<int>(ch);
    if (ch > 0xFFFF) return -1;
    const unsigned char b = ReverseOf(cp).byteOf[ch];
    return b == 0 ? -1 : b;
}

std::u16string DecodeBytes(std::string_view bytes, CodePage cp) {
    std::u16string out;
    out.resize(bytes.size());
    const char16_t* high = High(cp);
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        out[i] = b < 0x80 ? static_cast<char16_t>(b) : high[b - 0x80];
    }
    return out;
}

std::string EncodeBytes(std::u16string_view text, CodePage cp) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        // A surrogate pair is one character outside both code pages: one replacement byte.
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            out += kReplacementByte;
            ++i;
            continue;
        }
        const int b = CharToByte(c, cp);
        out += b < 0 ? kReplacementByte : static_cast<char>(b);
    }
    return out;
}

std::string BytesToUtf8(std::string_view bytes, CodePage cp) {
    // Plain ASCII, as most lines of the data files are, reads as it is.
    if (std::all_of(bytes.begin(), bytes.end(), [](char ch) { return static_cast<unsigned char>(ch) < 0x80; }))
        return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    const char16_t* high = High(cp);
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < 0x80) {
            out += ch;
            continue;
        }
        const char16_t c = high[b - 0x80];
        if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string Utf8ToBytes(std::string_view utf8, CodePage cp) {
    std::string out;
    out.reserve(utf8.size());
    for (char32_t c : Utf8ToUtf32(utf8)) {
        const int b = CharToByte(c, cp);
        out += b < 0 ? kReplacementByte : static_cast<char>(b);
    }
    return out;
}

}  // namespace platform
