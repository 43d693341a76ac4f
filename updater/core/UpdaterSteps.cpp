#include "UpdaterSteps.h"

#include "platform/Paths.h"
#include "platform/Process.h"
#include "unpack/UnpackArchive.h"

namespace updater {

InstallLookup FindInstallDir(const platform::RegIniFile& regIni) {
    InstallLookup lookup;
    if (!regIni.KeyExists(kAppName)) return lookup;
    const std::string app = kAppName;
    if (!platform::FileExists(regIni.ReadString(app, "Full path", "C:\\" + app + "\\" + app))) {
        lookup.end = true;
        return lookup;
    }
    lookup.installDir = regIni.ReadString(app, "Path", "C:") + "\\";
    return lookup;
}

std::filesystem::path InstallFile(const std::string& installDir, std::string_view name) {
    return platform::ResolvePath(installDir + std::string(name));
}

bool UnpackProgramUpdate(const std::string& installDir) {
    const std::string archive = installDir + kArchiveName;
    if (!platform::FileExists(archive)) return false;
    unpack::UnpackArchive(archive, installDir);
    return true;
}

std::string GivenUpText(const std::string& error) {
    return error + "\n\nThe update was not installed; " + kAppName + " is started again as it was.";
}

RestartResult RestartViewer(const std::string& installDir) {
    RestartResult result;
    const std::string viewer = installDir + kViewerExecutable;
    if (!platform::FileExists(viewer)) return result;
    if (platform::IsModuleLoaded("CALC")) {
        result.step = RestartStep::Wait;
        return result;
    }
    // An empty installation directory leaves the current directory as it is.
    const std::filesystem::path dir = installDir.empty() ? std::filesystem::path() : platform::ResolvePath(installDir);
    result.step = platform::StartProgram(platform::ResolvePath(viewer), dir, &result.error) ? RestartStep::Started
                                                                                            : RestartStep::NotStarted;
    return result;
}

}  // namespace updater
