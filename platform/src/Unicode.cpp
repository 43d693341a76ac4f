#include "platform/Unicode.h"

namespace platform {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one UTF-8 sequence at s[i], advancing i; rejects overlongs, surrogates and > U+10FFFF.
char32_t DecodeOne(std::string_view s, size_t& i) {
    const auto b0 = static_cast<unsigned char>(s[i++]);
    if (b0 < 0x80) return b0;
    int extra;
    char32_t cp;
    char32_t min;
    if ((b0 & 0xE0) == 0xC0) { extra = 1; cp = b0 & 0x1F; min = 0x80; }
    else if ((b0 & 0xF0) == 0xE0) { extra = 2; cp = b0 & 0x0F; min = 0x800; }
    else if ((b0 & 0xF8) == 0xF0) { extra = 3; cp = b0 & 0x07; min = 0x10000; }
    else return kReplacement;
    for (int k = 0; k < extra; ++k) {
        if (i >= s.size()) return kReplacement;
        const auto b = static_cast<unsigned char>(s[i]);
        if ((b & 0xC0) != 0x80) return kReplacement;
        cp = (cp << 6) | (b & 0x3F);
        ++i;
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return kReplacement;
    return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = kReplacement;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void AppendUtf16(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out += static_cast<char16_t>(cp);
    } else {
        cp -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (cp >> 10));
        out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
}

// Walks UTF-16, pairing surrogates; a lone surrogate becomes U+FFFD.
template <typename F>
void ForEachUtf16(std::u16string_view s, F&& f) {
    for (size_t i = 0; i < s.size(); ++i) {
        char32_t c = s[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = kReplacement;
        }
        f(c);
    }
}

}  // namespace

std::u32string Utf8ToUtf32(std::string_view utf8) {
    std::u32string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) out += DecodeOne(utf8, i);
    return out;
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) AppendUtf16(out, DecodeOne(utf8, i));
    return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    ForEachUtf16(utf16, [&](char32_t c) { AppendUtf8(out, c); });
    return out;
}

char32_t FoldCase(char32_t c) {
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;           // Latin-1
    if (c >= 0x100 && c <= 0x17F) {                                     // Latin Extended-A
        if (c == 0x130) return 'i';
        if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c % 2 == 1) ? c + 1 : c;
        if (c == 0x178) return 0xFF;
        if (c == 0x138 || c == 0x149 || c == 0x17F) return c;
        return (c % 2 == 0) ? c + 1 : c;
    }
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32;         // Greek
    if (c >= 0x410 && c <= 0x42F) return c + 32;                        // Cyrillic А-Я
    if (c >= 0x400 && c <= 0x40F) return c + 80;                        // Ѐ-Џ (Ё, Ђ, Є, І, Ї, Ў ...)
    if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x52F))
        return (c % 2 == 0) ? c + 1 : c;
    if (c == 0x4C0) return 0x4CF;
    if (c >= 0x4C1 && c <= 0x4CE) return (c % 2 == 1) ? c + 1 : c;
    return c;
}

char32_t UpperCase(char32_t c) {
    if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 32 : c;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;
    if (c == 0xFF) return 0x178;
    if (c >= 0x100 && c <= 0x17F) {
        if (c == 0x131) return 'I';
        if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c % 2 == 0) ? c - 1 : c;
        if (c == 0x138 || c == 0x149 || c == 0x17F || c == 0x130) return c;
        return (c % 2 == 1) ? c - 1 : c;
    }
    if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) return c - 32;
    if (c >= 0x430 && c <= 0x44F) return c - 32;
    if (c >= 0x450 && c <= 0x45F) return c - 80;
    if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x52F))
        return (c % 2 == 1) ? c - 1 : c;
    if (c == 0x4CF) return 0x4C0;
    if (c >= 0x4C1 && c <= 0x4CE) return (c % 2 == 0) ? c - 1 : c;
    return c;
}

std::string FoldCaseUtf8(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b < 0x80) {  // fast path for ASCII
            out += static_cast<char>((b >= 'A' && b <= 'Z') ? b + 32 : b);
            ++i;
        } else {
            AppendUtf8(out, FoldCase(DecodeOne(utf8, i)));
        }
    }
    return out;
}

std::u16string FoldCaseUtf16(std::u16string_view utf16) {
    std::u16string out;
    out.reserve(utf16.size());
    ForEachUtf16(utf16, [&](char32_t c) { AppendUtf16(out, FoldCase(c)); });
    return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() == b.size() && a == b) return true;
    return FoldCaseUtf8(a) == FoldCaseUtf8(b);
}

SortKey MakeSortKey(std::string_view utf8) {
    SortKey key;
    key.exact = Utf8ToUtf32(utf8);
    key.primary.reserve(key.exact.size());
    for (char32_t& c : key.exact) {
        const char32_t folded = FoldCase(c);
        key.primary += folded == U'ё' ? U'е' : folded;
        // Every character at twice its code, so Ё and ё fit in just after Е and е.
        c = c == U'Ё' ? U'Е' * 2 + 1 : c == U'ё' ? U'е' * 2 + 1 : c * 2;
    }
    return key;
}

}  // namespace platform
