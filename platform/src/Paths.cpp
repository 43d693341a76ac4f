#include "platform/Paths.h"

#include <sys/stat.h>

#include <system_error>

#include "platform/Unicode.h"

namespace fs = std::filesystem;

namespace platform {
namespace {

bool Exists(const std::string& p) {
    struct stat st;
    return ::lstat(p.c_str(), &st) == 0;
}

// The entry of dir whose name folds to the same text as name; the smallest such name wins,
// so a folder holding both "Docs" and "docs" resolves the same way every time.
bool FindNoCase(const std::string& dir, const std::string& name, std::string& found) {
    const std::string want = FoldCaseUtf8(name);
    std::error_code ec;
    fs::directory_iterator it(dir.empty() ? "." : dir, ec);
    if (ec) return false;
    bool any = false;
    for (const auto& entry : it) {
        std::string candidate = entry.path().filename().string();
        if (FoldCaseUtf8(candidate) == want && (!any || candidate < found)) {
            found = std::move(candidate);
            any = true;
        }
    }
    return any;
}

}  // namespace

std::string NormalizeSeparators(std::string_view winPath) {
    std::string out;
    out.reserve(winPath.size());
    for (char c : winPath) {
        if (c == '\\') c = '/';
        if (c == '/' && !out.empty() && out.back() == '/') continue;
        out += c;
    }
    if (out.size() > 1 && out.back() == '/') out.pop_back();
    return out;
}

fs::path ResolvePath(std::string_view winPath) {
    const std::string norm = NormalizeSeparators(winPath);
    if (norm.empty() || Exists(norm)) return fs::path(norm);

    std::string done;  // resolved prefix
    size_t pos = 0;
    if (norm[0] == '/') {
        done = "/";
        pos = 1;
    }
    bool searching = true;
    while (pos <= norm.size()) {
        size_t next = norm.find('/', pos);
        if (next == std::string::npos) next = norm.size();
        std::string part = norm.substr(pos, next - pos);
        pos = next + 1;
        if (part.empty()) continue;
        std::string candidate = done.empty() ? part : (done.back() == '/' ? done + part : done + "/" + part);
        if (searching && part != "." && part != ".." && !Exists(candidate)) {
            std::string found;
            if (FindNoCase(done, part, found)) {
                candidate = done.empty() ? found : (done.back() == '/' ? done + found : done + "/" + found);
            } else {
                searching = false;  // nothing below a missing folder can exist either
            }
        }
        done = std::move(candidate);
    }
    return fs::path(done);
}

bool FileExists(std::string_view winPath) {
    struct stat st;
    return ::stat(ResolvePath(winPath).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(std::string_view winPath) {
    struct stat st;
    return ::stat(ResolvePath(winPath).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string PathText(const fs::path& p) { return p.string(); }

}  // namespace platform
