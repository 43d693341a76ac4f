#include "Startup.h"

#include "Identity.h"
#include "platform/DesktopFileType.h"
#include "platform/FileError.h"
#include "platform/Paths.h"
#include "platform/TextFile.h"

namespace viewer {

std::filesystem::path DataPath(const std::string& programDir, std::string_view relative) {
    return platform::ResolvePath(programDir + "\\" + std::string(relative));
}

const std::string& LineOf(const std::vector<std::string>& lines, size_t index, const std::filesystem::path& file) {
    if (index >= lines.size())
        throw platform::FileError("The file \"" + file.string() + "\" has no line " + std::to_string(index + 1) +
                                      " (it holds " + std::to_string(lines.size()) + ")",
                                  file);
    return lines[index];
}

std::string ReadLineOf(const std::filesystem::path& file, size_t index) {
    return LineOf(platform::LoadLines(file), index, file);
}

RegistryStepResult RunRegistryStep(platform::RegIniFile& regIni, const std::string& currentDir) {
    const std::string name = kProgramName;
    RegistryStepResult result;
    if (regIni.KeyExists(name) &&
        platform::FileExists(regIni.ReadString(name, "Full path", "C:\\" + name + "\\" + name))) {
        result.programDir = regIni.ReadString(name, "Path", "C:") + "\\";
        if (regIni.ReadString(name, "Version", "0.0") != kProgramVersion)
            regIni.WriteString(name, "Version", kProgramVersion);
        if (regIni.ReadString(name, "Build", "0") != kProgramBuild)
            regIni.WriteString(name, "Build", kProgramBuild);
        return result;
    }

    regIni.WriteString(name, "Name of the program", name);
    regIni.WriteString(name, "Version", kProgramVersion);
    regIni.WriteString(name, "Build", kProgramBuild);
    regIni.WriteString(name, "Path", currentDir);
    regIni.WriteString(name, "Full path", (std::filesystem::path(currentDir) / kViewerExecutable).string());
    regIni.WriteString(name, "filename", "filename");
    regIni.WriteString(name, "paramstr", "paramstr");
    regIni.WriteString(name, "Website of the program", kWebsite);
    result.programDir = regIni.ReadString(name, "Path", "C:") + "\\";
    result.registered = true;

    platform::Registry classes(platform::RegRoot::ClassesRoot);
    classes.OpenKey(".nodx\\", true);
    classes.WriteString("", "nodx_auto_file");
    classes.OpenKey("ShellNew\\", true);
    classes.WriteString("NullFile", "");
    classes.CloseKey();
    classes.OpenKey("nodx_auto_file\\", true);
    classes.WriteString("", "NodX file");
    classes.CloseKey();
    // The same type for this desktop's file managers; they manage without it, so what cannot
    // be written there stops nothing.
    platform::RegisterDesktopFileType({".nodx", "nodx_auto_file", "NodX file", true});
    return result;
}

BaseDate SplitBaseDate(std::string_view text) {
    static const char* const kMonths[] = {"January", "Febrary", "March",     "April",   "May",      "June",
                                          "July",    "August",  "September", "October", "November", "December"};
    auto part = [&](size_t from, size_t count) {
        return from < text.size() ? std::string(text.substr(from, count)) : std::string();
    };
    BaseDate date;
    date.year = part(0, 4);
    date.day = part(6, 2);
    const std::string month = part(4, 2);
    for (int m = 0; m < 12; ++m) {
        const std::string number = (m < 9 ? "0" : "") + std::to_string(m + 1);
        if (month == number) date.monthName = kMonths[m];
    }
    return date;
}

}  // namespace viewer
