// The registry both programs share, kept as one UTF-8 INI file under the user's configuration
// folder: each key is a section named by its full path, each value a line. Key and value
// names compare case-insensitively, as in the registry. The default value of a key is "@".
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/IniFile.h"

namespace platform {

enum class RegRoot { CurrentUser, ClassesRoot };

// $XDG_CONFIG_HOME (default ~/.config) + "/Vantor Company/registry.ini".
std::filesystem::path RegistryFilePath();

// A registry object with a current key, like the classic registry class: OpenKey walks below
// the current key (or from the root when the name starts with "\").
class Registry {
public:
    explicit Registry(RegRoot root = RegRoot::CurrentUser);

    bool OpenKey(std::string_view key, bool canCreate);
    void CloseKey();
    bool KeyExists(std::string_view key) const;  // relative to the current key
    bool ValueExists(std::string_view name) const;
    std::string ReadString(std::string_view name) const;  // "" when missing
    void WriteString(std::string_view name, std::string_view value);

    const std::string& CurrentPath() const { return current_; }

private:
    std::string Absolute(std::string_view key) const;
    std::string root_;
    std::string current_;
    IniFile store_;
};

// The registry-as-INI object: opened on a key of the current user's tree; its sections are
// the subkeys of that key and its idents their values.
class RegIniFile {
public:
    explicit RegIniFile(std::string_view keyBelowCurrentUser);

    bool OpenKey(std::string_view key, bool canCreate);
    bool KeyExists(std::string_view key) const;
    std::string ReadString(std::string_view section, std::string_view ident, std::string_view def) const;
    void WriteString(std::string_view section, std::string_view ident, std::string_view value);

private:
    Registry reg_;
};

}  // namespace platform
