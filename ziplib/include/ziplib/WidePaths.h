// Pure helpers over Windows-form wide names: '\' separates folders, "X:" is a drive and
// "\\server\share" a network share. They touch no file; '/' is an ordinary character here.
// Character positions are 1-based, as the callers count them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ziplib {

// Position (1-based) of the last character of s that is in delims; 0 when none is.
int WideLastDelimiter(std::u16string_view delims, std::u16string_view s);
// True when index (1-based) lies within s and s holds '\' there.
bool WideIsPathDelimiter(std::u16string_view s, int index);
std::u16string WideExcludeTrailingBackslash(std::u16string_view s);
std::u16string WideExtractFilePath(std::u16string_view s);   // up to and including the last '\' or ':'
std::u16string WideExtractFileName(std::u16string_view s);   // after the last '\' or ':'
std::u16string WideExtractFileExt(std::u16string_view s);    // from the last '.' of the name part
// "C:" for "C:\x"; "\\srv\share" for "\\srv\share\dir\f.txt"; empty for a relative name.
std::u16string WideExtractFileDrive(std::u16string_view s);
// DestName seen from the folder of BaseName ("..\c\g.txt" from "C:\a\b\f.txt" to "C:\a\c\g.txt");
// DestName itself when the drives differ. Folder names compare without case.
std::u16string WideExtractRelativePath(std::u16string_view baseName, std::u16string_view destName);

// Flags of WideStringReplace.
inline constexpr unsigned rfReplaceAll = 1;
inline constexpr unsigned rfIgnoreCase = 2;
// Replaces the first (or with rfReplaceAll every) match of oldPattern. With wholeWord a match
// counts only between word ends: the ends of the text, blanks or punctuation.
std::u16string WideStringReplace(std::u16string_view s, std::u16string_view oldPattern,
                                 std::u16string_view newPattern, unsigned flags, bool wholeWord);

// File-name mask with '*' and '?'; "*.*" matches every name. Characters compare one by one,
// folded to one case (Latin, Greek and Cyrillic) when ignoreCase is set.
bool WideMatchesMask(std::u16string_view name, std::u16string_view mask, bool ignoreCase);

// The first len characters of a and b in the user's collation, the one sorted lists of the
// catalog use (letter case and Ё only break ties): -1, 0 or 1. 0 only for equal texts.
int WideCompareChars(std::u16string_view a, std::u16string_view b, int len);

}  // namespace ziplib
