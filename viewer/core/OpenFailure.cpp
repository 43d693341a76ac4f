#include "OpenFailure.h"

namespace viewer {

std::string LauncherExitCause(int exitStatus, bool webAddress) {
    switch (exitStatus) {
        case 1: return "the desktop's launcher did not take the request";
        case 2: return "the file does not exist";
        case 3: return webAddress ? "no web browser is set up" : "no program is set to open files of this type";
        case 4: return webAddress ? "the web browser could not open it" : "the program set to open it failed";
        default: return "the desktop's launcher ended with status " + std::to_string(exitStatus);
    }
}

std::string NoLauncherCause(bool webAddress) {
    return webAddress ? "the desktop has no launcher for web browsers (xdg-open is not installed)"
                      : "the desktop has no launcher for documents (xdg-open is not installed)";
}

std::string OpenFailureMessage(std::string_view target, std::string_view cause) {
    return "Cannot open \"" + std::string(target) + "\": " + std::string(cause) + ".";
}

}  // namespace viewer
