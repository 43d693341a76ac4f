#include "platform/Registry.h"

#include <system_error>

#include "platform/FileError.h"
#include "platform/Unicode.h"
#include "platform/XdgDirs.h"

namespace fs = std::filesystem;

namespace platform {
namespace {

std::string ValueKey(std::string_view name) { return name.empty() ? "@" : std::string(name); }

// "a\\b\" -> "a\b": the registry takes either separator and ignores doubled and trailing ones.
std::string CleanKey(std::string_view key) {
    std::string out;
    for (char c : key) {
        if (c == '/') c = '\\';
        if (c == '\\' && (out.empty() || out.back() == '\\')) continue;
        out += c;
    }
    while (!out.empty() && out.back() == '\\') out.pop_back();
    return out;
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(std::string_view(text).substr(0, prefix.size()), prefix);
}

}  // namespace

fs::path RegistryFilePath() { return XdgConfigHome() / "Vantor Company" / "registry.ini"; }

Registry::Registry(RegRoot root)
    : root_(root == RegRoot::CurrentUser ? "HKEY_CURRENT_USER" : "HKEY_CLASSES_ROOT"),
      current_(root_),
      store_(RegistryFilePath(), IniEncoding::Utf8) {}

std::string Registry::Absolute(std::string_view key) const {
    const bool fromRoot = !key.empty() && (key.front() == '\\' || key.front() == '/');
    const std::string rel = CleanKey(key);
    const std::string& base = fromRoot ? root_ : current_;
    return rel.empty() ? base : base + "\\" + rel;
}

bool Registry::KeyExists(std::string_view key) const {
    const std::string path = Absolute(key);
    if (path == root_) return true;
    const std::string below = path + "\\";
    for (const auto& section : store_.ReadSections())
        if (EqualsNoCase(section, path) || StartsWithNoCase(section, below)) return true;
    return false;
}

bool Registry::OpenKey(std::string_view key, bool canCreate) {
    const std::string path = Absolute(key);
    if (!KeyExists(key)) {
        if (!canCreate) return false;
        fs::create_directories(store_.FileName().parent_path());
        store_.CreateSection(path);
    }
    current_ = path;
    return true;
}

void Registry::CloseKey() { current_ = root_; }

bool Registry::ValueExists(std::string_view name) const { return store_.ValueExists(current_, ValueKey(name)); }

std::string Registry::ReadString(std::string_view name) const {
    return store_.ReadString(current_, ValueKey(name), "");
}

void Registry::WriteString(std::string_view name, std::string_view value) {
    std::error_code ec;
    fs::create_directories(store_.FileName().parent_path(), ec);
    store_.WriteString(current_, ValueKey(name), value);
}

RegIniFile::RegIniFile(std::string_view keyBelowCurrentUser) : reg_(RegRoot::CurrentUser) {
    reg_.OpenKey(keyBelowCurrentUser, true);
}

bool RegIniFile::OpenKey(std::string_view key, bool canCreate) { return reg_.OpenKey(key, canCreate); }

bool RegIniFile::KeyExists(std::string_view key) const { return reg_.KeyExists(key); }

std::string RegIniFile::ReadString(std::string_view section, std::string_view ident, std::string_view def) const {
    Registry sub = reg_;
    if (!sub.OpenKey(section, false) || !sub.ValueExists(ident)) return std::string(def);
    return sub.ReadString(ident);
}

void RegIniFile::WriteString(std::string_view section, std::string_view ident, std::string_view value) {
    Registry sub = reg_;
    sub.OpenKey(section, true);
    sub.WriteString(ident, value);
}

}  // namespace platform
