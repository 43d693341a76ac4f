// The decisions of the viewer's start-up that need no window: the registry step, the data
// paths below the installation directory, and the base date of update.lasx.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Registry.h"

namespace viewer {

// A data path as the viewer builds it: the installation directory, "\", and a relative path
// with either separator, resolved for this file system.
std::filesystem::path DataPath(const std::string& programDir, std::string_view relative);

// Line `index` of a data file, or a FileError naming the file when it is shorter.
const std::string& LineOf(const std::vector<std::string>& lines, size_t index, const std::filesystem::path& file);
// The same for a file read from disk (FileError when missing or short).
std::string ReadLineOf(const std::filesystem::path& file, size_t index);

// The registry step: when the program's key names an existing program file, the installation
// is where the key says and only a changed version or build is written; otherwise the program
// registers itself (eight values and the ".nodx" file type, in the registry and with the
// desktop) for currentDir. Returns the new
// installation directory ("Path" + "\").
struct RegistryStepResult {
    std::string programDir;
    bool registered = false;  // the values were (re)written
};
RegistryStepResult RunRegistryStep(platform::RegIniFile& regIni, const std::string& currentDir);

// Line 3 of update.lasx split as year (characters 1-4), day (7-8) and the month's English
// name for characters 5-6; a short text gives what is there, an unknown month an empty name.
struct BaseDate {
    std::string year;
    std::string day;
    std::string monthName;
};
BaseDate SplitBaseDate(std::string_view text);

}  // namespace viewer
