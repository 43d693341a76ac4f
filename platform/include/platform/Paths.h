// Paths as the data tree writes them: "\" or "/" (doubled ones harmless), names made on a
// case-insensitive file system. This is the one place that turns them into Linux paths.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

// "\" becomes "/", runs of separators become one, a trailing separator is dropped.
std::string NormalizeSeparators(std::string_view winPath);

// The Linux path for a Windows-form path: each component that does not exist under its exact
// name is matched case-insensitively (Cyrillic included) against its folder's entries. A
// component with no match is kept as written, so the result also names files yet to be made.
std::filesystem::path ResolvePath(std::string_view winPath);

bool FileExists(std::string_view winPath);       // exists and is not a folder
bool DirectoryExists(std::string_view winPath);

// Text of a path for messages and stored values (UTF-8).
std::string PathText(const std::filesystem::path& p);

}  // namespace platform
