// The updater's decisions without a window: where the installation is, the unpacking of the
// program update over it, and the restart of the viewer.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/Registry.h"

namespace updater {

inline constexpr const char* kAppName = "VantorBooks";
inline constexpr const char* kCompanyKey = "Vantor Company";
inline constexpr const char* kArchiveName = "updatevnbooks.zip";
inline constexpr const char* kViewerExecutable = "VantorBooks";
inline constexpr const char* kCaption = "Installing VantorBooks. Please wait";

// The installation named by the viewer's registry key (regIni opened on the company key).
struct InstallLookup {
    bool end = false;        // the key names a program file that is gone: the updater ends
    std::string installDir;  // "Path" + "\"; empty without the key, so names resolve against the current directory
};
InstallLookup FindInstallDir(const platform::RegIniFile& regIni);

// A file of the installation: the installation directory and the name, resolved.
std::filesystem::path InstallFile(const std::string& installDir, std::string_view name);

// Unpacks the program update over the installation. Returns false when there is no archive
// (the updater then ends); throws unpack::UnpackError when it cannot be unpacked.
bool UnpackProgramUpdate(const std::string& installDir);

// An unpack that failed this many times in a row is given up: the viewer is started again as
// it is, with the error shown, rather than the user left with neither program.
inline constexpr int kUnpackAttempts = 3;
// The error shown when the unpack is given up.
std::string GivenUpText(const std::string& error);

// Starts the viewer from the installation directory.
enum class RestartStep {
    NoViewer,    // no program file: the updater ends
    Wait,        // a module named "CALC" is loaded: try again later
    Started,
    NotStarted,  // the program file is there but could not be started
};
struct RestartResult {
    RestartStep step = RestartStep::NoViewer;
    std::string error;  // why it did not start
};
RestartResult RestartViewer(const std::string& installDir);

}  // namespace updater
