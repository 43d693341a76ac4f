// Whether the desktop shows icons of programs in a tray. Tests install an answer of their own.
#pragma once

#include <optional>

namespace viewerui {

bool SystemTrayAvailable();

// Installs the answer used from now on (nullopt: the desktop's own) and returns the one before.
std::optional<bool> SetSystemTrayAvailable(std::optional<bool> available);

}  // namespace viewerui
