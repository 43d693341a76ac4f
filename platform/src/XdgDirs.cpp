#include "platform/XdgDirs.h"

#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/TextFile.h"

namespace fs = std::filesystem;

namespace platform {
namespace {

fs::path Home() {
    const char* home = std::getenv("HOME");
    return home && *home ? fs::path(home) : fs::path();
}

fs::path FromEnv(const char* name, const char* belowHome) {
    if (const char* value = std::getenv(name); value && *value) return value;
    return Home() / belowHome;
}

}  // namespace

fs::path XdgConfigHome() { return FromEnv("XDG_CONFIG_HOME", ".config"); }

fs::path XdgDataHome() { return FromEnv("XDG_DATA_HOME", ".local/share"); }

std::optional<fs::path> UserTemplatesDir() {
    std::string text;  // UTF-8, as the desktop writes it
    try {
        text = ReadFileBytes(XdgConfigHome() / "user-dirs.dirs");
    } catch (const std::exception&) {
        return std::nullopt;
    }
    const std::vector<std::string> lines = SplitLines(text);
    constexpr std::string_view kKey = "XDG_TEMPLATES_DIR=";
    for (std::string_view line : lines) {
        if (!line.starts_with(kKey)) continue;
        std::string_view value = line.substr(kKey.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        fs::path dir;
        if (value.starts_with("$HOME")) {
            std::string_view rest = value.substr(5);
            while (rest.starts_with("/")) rest.remove_prefix(1);
            dir = Home() / rest;
        } else if (value.starts_with("/")) {
            dir = value;
        } else {
            return std::nullopt;  // only absolute or $HOME-relative paths are valid there
        }
        if (fs::path(dir).lexically_normal() / "" == fs::path(Home()).lexically_normal() / "") return std::nullopt;
        return dir;
    }
    return std::nullopt;
}

}  // namespace platform
