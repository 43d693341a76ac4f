// Whole-file reads and safe writes, and the line lists the data files are made of.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/CodePage.h"

namespace platform {

// Reads the whole file; throws FileError when it cannot be opened or read.
std::string ReadFileBytes(const std::filesystem::path& path);

// Replaces the file through a temporary one beside it, flushed to disk (SafeFile.h): a failed
// write (disk full, no permission) throws FileError and leaves the old file as it was.
void WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes);

// Lines ended by CR LF, LF or CR; an empty line is an empty item; a final line end adds no item.
std::vector<std::string> SplitLines(std::string_view text);

// A text file of the data tree as UTF-8 lines.
std::vector<std::string> LoadLines(const std::filesystem::path& path, CodePage cp = CodePage::Cp1251);
// Every line ended by CR LF, encoded in the code page, written atomically.
void SaveLines(const std::filesystem::path& path, const std::vector<std::string>& lines,
               CodePage cp = CodePage::Cp1251);

}  // namespace platform
