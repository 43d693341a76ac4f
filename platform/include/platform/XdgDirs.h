// The user's folders as a Linux desktop names them (XDG base and user directories).
#pragma once

#include <filesystem>
#include <optional>

namespace platform {

// $XDG_CONFIG_HOME, else $HOME/.config.
std::filesystem::path XdgConfigHome();
// $XDG_DATA_HOME, else $HOME/.local/share.
std::filesystem::path XdgDataHome();
// XDG_TEMPLATES_DIR of the user's user-dirs.dirs; none when it is not set or names the home
// folder itself, which is how a user turns the folder off.
std::optional<std::filesystem::path> UserTemplatesDir();

}  // namespace platform
