#include "names/StoredPaths.h"

#include <algorithm>

#include "ziplib/WideFiles.h"
#include "ziplib/WidePaths.h"

namespace ziplib {
namespace {

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

std::u16string WithTrailingBackslash(std::u16string_view dir) {
    std::u16string s(dir);
    if (s.empty() || s.back() != u'\\') s += u'\\';
    return s;
}

}  // namespace

std::u16string GetBaseDir(std::u16string_view baseDir, std::u16string_view startDir) {
    return WithTrailingBackslash(baseDir.empty() ? startDir : baseDir);
}

std::u16string MakeSourcePath(std::u16string_view baseDir, std::u16string_view name, std::u16string_view startDir) {
    const std::u16string start = startDir.empty() ? WideGetCurrentDir() : std::u16string(startDir);
    const std::u16string base = WithTrailingBackslash(baseDir.empty() ? std::u16string_view(start) : baseDir);
    if (name.find(u':') != std::u16string_view::npos || name.starts_with(u"\\\\")) return std::u16string(name);
    if (!name.empty()) {
        if (name.front() == u'\\') return WideExpandFileName(name);  // rooted on the current drive
        return WideExpandFileName(base + std::u16string(name));
    }
    if (baseDir.find(u':') != std::u16string_view::npos) return std::u16string(baseDir);
    if (!baseDir.empty() && !WideDirectoryExists(base)) return std::u16string(baseDir);
    // A bare "\" is the root of the current drive.
    if (base == u"\\") return WithTrailingBackslash(WideExtractFileDrive(WideGetCurrentDir()));
    return WideExpandFileName(base);
}

std::u16string CutStoredDrive(std::u16string_view name) {
    size_t cut = std::u16string_view::npos;
    const size_t colon = name.find(u':');
    if (colon != std::u16string_view::npos) {
        cut = colon + 1;
    } else {
        for (size_t i = 0; i + 1 < name.size(); ++i) {
            if (!IsSeparator(name[i]) || !IsSeparator(name[i + 1])) continue;
            // A network name: the server goes with the separator after it.
            const auto end = std::find_if(name.begin() + static_cast<std::ptrdiff_t>(i) + 2, name.end(), IsSeparator);
            if (end == name.end()) return {};
            cut = static_cast<size_t>(end - name.begin()) + 1;
            break;
        }
    }
    // Without a drive a rooted name is cut at its root: this platform's full names have no
    // drive, and a stored name must not start at the root.
    if (cut == std::u16string_view::npos) cut = 0;
    if (cut < name.size() && IsSeparator(name[cut])) ++cut;
    return std::u16string(name.substr(std::min(cut, name.size())));
}

std::u16string MakeStoredPath(std::u16string_view fileName, std::u16string_view baseDir, TZAStorePathMode storePath,
                              std::u16string_view startDir) {
    const std::u16string base = MakeSourcePath(baseDir, u"", startDir);
    // Names with a drive or a server come back as given; resolving their "." and ".." parts
    // keeps a name such as C:\..\x from being stored as ../x, which would point outside the
    // folder the archive is extracted into.
    std::u16string full = WideExpandFileName(MakeSourcePath(base, fileName, startDir));
    if (!full.empty() && IsSeparator(full.back())) full.pop_back();
    if (!full.empty() && full.back() == u'.') full.pop_back();
    switch (storePath) {
    case TZAStorePathMode::spNoPath:
        full = WideExtractFileName(full);
        break;
    case TZAStorePathMode::spRelativePath: {
        std::u16string rel = WideExtractRelativePath(GetBaseDir(base, startDir), full);
        // A file outside the base folder keeps its full path.
        if (rel.find(u"..\\") == std::u16string::npos && rel.find(u"../") == std::u16string::npos) full = std::move(rel);
        break;
    }
    case TZAStorePathMode::spFullPath:
        break;
    case TZAStorePathMode::spFullPathWithDrive:
        full = WideExpandFileName(full);
        break;
    }
    if (storePath != TZAStorePathMode::spFullPathWithDrive) full = CutStoredDrive(full);
    std::replace(full.begin(), full.end(), u'\\', u'/');
    return full;
}

}  // namespace ziplib
