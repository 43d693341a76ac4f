// Telling the user that a story document or a web address could not be opened: the cause in
// words, from what the desktop's launcher answered, and the message that names the target.
#pragma once

#include <string>
#include <string_view>

namespace viewer {

// The desktop's launcher, xdg-open, tells why it gave up by its exit status.
std::string LauncherExitCause(int exitStatus, bool webAddress);

// When the desktop offers no launcher at all.
std::string NoLauncherCause(bool webAddress);

// "Cannot open "<target>": <cause>."
std::string OpenFailureMessage(std::string_view target, std::string_view cause);

}  // namespace viewer
