#include "ziplib/WidePaths.h"

#include <optional>
#include <vector>

#include "platform/Unicode.h"

namespace ziplib {
namespace {

constexpr char16_t kSep = u'\\';

size_t LastOf(std::u16string_view s, std::u16string_view delims) {
    const size_t p = s.find_last_of(delims);
    return p;
}

bool SameNoCase(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() && platform::FoldCaseUtf16(a) == platform::FoldCaseUtf16(b);
}

bool SameChar(char16_t a, char16_t b, bool ignoreCase) {
    return a == b || (ignoreCase && platform::FoldCase(a) == platform::FoldCase(b));
}

char16_t Upper(char16_t c) {
    if (c >= 0xD800 && c <= 0xDFFF) return c;
    return static_cast<char16_t>(platform::UpperCase(c));
}

// The end of a word: a blank, a punctuation mark or a symbol.
bool IsWordBreak(char16_t c) {
    if (c == 0 || (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0xA0 || c == 0x1680 ||
        (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000)
        return true;
    if (c < 0x80) return (c > 0x20 && c < 0x30) || (c >= 0x3A && c <= 0x40) || (c >= 0x5B && c <= 0x60) || (c >= 0x7B && c <= 0x7E);
    if (c >= 0xA1 && c <= 0xBF) return c != 0xAA && c != 0xB2 && c != 0xB3 && c != 0xB5 && c != 0xB9 && c != 0xBA;
    return c == 0xD7 || c == 0xF7 || (c >= 0x2010 && c <= 0x2027) || (c >= 0x2030 && c <= 0x205E) ||
           (c >= 0x20A0 && c <= 0x20CF) || c == 0x2116 || c == 0x2122 || (c >= 0x3001 && c <= 0x3003);
}

// One step through a path cut at '\': the segment at lead, lead moved past it (gone at the end).
std::optional<std::u16string_view> NextSegment(std::u16string_view path, std::optional<size_t>& lead) {
    if (!lead) return std::nullopt;
    const size_t start = *lead;
    const size_t p = path.find(kSep, start);
    if (p == std::u16string_view::npos) {
        lead.reset();
        return path.substr(start);
    }
    lead = p + 1;
    return path.substr(start, p - start);
}

std::u16string PathWithoutDrive(std::u16string_view name) {
    std::u16string path = WideExtractFilePath(name);
    path.erase(0, WideExtractFileDrive(name).size());
    return path;
}

}  // namespace

int WideLastDelimiter(std::u16string_view delims, std::u16string_view s) {
    const size_t p = LastOf(s, delims);
    return p == std::u16string_view::npos ? 0 : static_cast<int>(p + 1);
}

bool WideIsPathDelimiter(std::u16string_view s, int index) {
    return index >= 1 && static_cast<size_t>(index) <= s.size() && s[index - 1] == kSep;
}

std::u16string WideExcludeTrailingBackslash(std::u16string_view s) {
    if (!s.empty() && s.back() == kSep) s.remove_suffix(1);
    return std::u16string(s);
}

std::u16string WideExtractFilePath(std::u16string_view s) {
    return std::u16string(s.substr(0, static_cast<size_t>(WideLastDelimiter(u"\\:", s))));
}

std::u16string WideExtractFileName(std::u16string_view s) {
    return std::u16string(s.substr(static_cast<size_t>(WideLastDelimiter(u"\\:", s))));
}

std::u16string WideExtractFileExt(std::u16string_view s) {
    const int i = WideLastDelimiter(u".\\:", s);
    if (i > 0 && s[i - 1] == u'.') return std::u16string(s.substr(i - 1));
    return {};
}

std::u16string WideExtractFileDrive(std::u16string_view s) {
    if (s.size() >= 2 && s[1] == u':') return std::u16string(s.substr(0, 2));
    if (s.size() >= 2 && s[0] == kSep && s[1] == kSep) {
        // Past the server name and the share name: the '\' that ends the share is left out.
        int seps = 0;
        size_t i = 2;
        while (i < s.size()) {
            if (s[i] == kSep && ++seps == 2) break;
            ++i;
        }
        return std::u16string(s.substr(0, i));
    }
    return {};
}

std::u16string WideExtractRelativePath(std::u16string_view baseName, std::u16string_view destName) {
    if (!SameNoCase(WideExtractFileDrive(baseName), WideExtractFileDrive(destName))) return std::u16string(destName);
    const std::u16string basePath = PathWithoutDrive(baseName);
    const std::u16string destPath = PathWithoutDrive(destName);
    std::optional<size_t> baseLead, destLead;
    if (!basePath.empty()) baseLead = 0;
    if (!destPath.empty()) destLead = 0;
    auto base = NextSegment(basePath, baseLead);
    auto dest = NextSegment(destPath, destLead);
    while (base && dest && SameNoCase(*base, *dest)) {
        base = NextSegment(basePath, baseLead);
        dest = NextSegment(destPath, destLead);
    }
    std::u16string result;
    // One step up for the first base folder that differs and for every one after it.
    while (baseLead) {
        result += u"..\\";
        NextSegment(basePath, baseLead);
    }
    if (dest && !dest->empty()) {
        result += *dest;
        result += kSep;
    }
    if (destLead) result += std::u16string_view(destPath).substr(*destLead);
    result += WideExtractFileName(destName);
    return result;
}

std::u16string WideStringReplace(std::u16string_view s, std::u16string_view oldPattern,
                                 std::u16string_view newPattern, unsigned flags, bool wholeWord) {
    if (oldPattern.empty()) return std::u16string(s);
    std::u16string searchIn(s), pattern(oldPattern);
    if (flags & rfIgnoreCase) {
        for (char16_t& c : searchIn) c = Upper(c);
        for (char16_t& c : pattern) c = Upper(c);
    }
    std::u16string result;
    size_t pos = 0;
    while (pos < s.size()) {
        const size_t at = searchIn.find(pattern, pos);
        if (at == std::u16string::npos) break;
        const size_t end = at + pattern.size();
        if (wholeWord && !((at == 0 || IsWordBreak(s[at - 1])) && (end == s.size() || IsWordBreak(s[end])))) {
            result += s.substr(pos, end - pos);
            pos = end;
            continue;
        }
        result += s.substr(pos, at - pos);
        result += newPattern;
        pos = end;
        if (!(flags & rfReplaceAll)) break;
    }
    if (pos < s.size()) result += s.substr(pos);
    return result;
}

bool WideMatchesMask(std::u16string_view name, std::u16string_view mask, bool ignoreCase) {
    // The matcher's answer for (rest of name from i, rest of mask from j), computed row by row from
    // the end of the name: a recursive search would take time exponential in the number of '*' and
    // stack depth in the length of the name, and archive names run to 64K characters.
    const size_t n = name.size();
    const size_t m = mask.size();
    std::vector<char> takesAll(m + 1, 0);  // the rest of the mask is "*" or "*.*"
    for (size_t j = 0; j < m; ++j) {
        const std::u16string_view rest = mask.substr(j);
        takesAll[j] = rest == u"*" || rest == u"*.*";
    }
    std::vector<char> below(m + 1), row(m + 1);  // below: the row for i + 1
    for (size_t j = 0; j <= m; ++j) below[j] = takesAll[j] || j == m;  // the name is used up
    for (size_t i = n; i-- > 0;) {
        for (size_t j = m + 1; j-- > 0;) {
            bool r;
            if (takesAll[j]) r = true;
            else if (j == m) r = false;
            // '*' tries the rest of the mask against the name from here and from each later
            // position up to the last character.
            else if (mask[j] == u'*') r = row[j + 1] || (i + 1 < n && below[j]);
            else if (mask[j] == u'?') r = below[j + 1];
            else r = SameChar(name[i], mask[j], ignoreCase) && below[j + 1];
            row[j] = r;
        }
        std::swap(row, below);
    }
    return below[0];
}

int WideCompareChars(std::u16string_view a, std::u16string_view b, int len) {
    const size_t l = len > 0 ? static_cast<size_t>(len) : 0;
    a = a.substr(0, std::min(l, a.size()));
    b = b.substr(0, std::min(l, b.size()));
    auto c = platform::MakeSortKey(platform::Utf16ToUtf8(a)) <=> platform::MakeSortKey(platform::Utf16ToUtf8(b));
    // Texts the collation cannot tell apart (lone surrogates both read as U+FFFD) still differ.
    if (c == 0) c = a <=> b;
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

}  // namespace ziplib
