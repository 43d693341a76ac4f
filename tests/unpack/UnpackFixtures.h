// What the unpack tests share: the extraction and move seams for a test's scope, and a
// snapshot of a folder tree to compare an installation before and after.
#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include "TempDir.h"
#include "unpack/UnpackArchive.h"

namespace unpacktest {

// Installs an extraction (and a hook before each move into place) for the test's scope.
class Seams {
public:
    explicit Seams(unpack::Extractor e, std::function<int(size_t, const std::filesystem::path&)> hook = nullptr) {
        unpack::SetExtractorForTesting(std::move(e));
        unpack::SetMoveHookForTesting(std::move(hook));
    }
    ~Seams() {
        unpack::SetExtractorForTesting(nullptr);
        unpack::SetMoveHookForTesting(nullptr);
    }
};

// An extraction that writes the given files (relative name, content) and nothing else.
inline unpack::Extractor Writes(std::map<std::string, std::string> files) {
    return [files](const std::filesystem::path&, const std::filesystem::path& folder) {
        for (const auto& [name, bytes] : files) testsupport::WriteFile(folder / name, bytes);
    };
}

inline mode_t Mode(const std::filesystem::path& p) {
    struct stat st{};
    ::lstat(p.c_str(), &st);
    return st.st_mode & 07777;
}

// Every entry below a folder with its content and permissions.
inline std::map<std::string, std::string> Snapshot(const std::filesystem::path& dir) {
    std::map<std::string, std::string> out;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir)) {
        const std::string rel = e.path().lexically_relative(dir).generic_string();
        out[rel] = std::to_string(Mode(e.path())) + ":" + (e.is_regular_file() ? testsupport::ReadFile(e.path()) : "<dir>");
    }
    return out;
}

// What a failed unpack says ("no error" when it did not fail).
inline std::string UnpackFailure(const std::string& archive, const std::string& baseDir) {
    try {
        unpack::UnpackArchive(archive, baseDir);
    } catch (const unpack::UnpackError& e) {
        return e.what();
    }
    return "no error";
}

// A small installation of the given files (a program among them is executable) and an
// archive beside them that stands for the download; the extraction seam says what it holds.
struct SmallInstallation {
    testsupport::TempDir dir;
    std::string archive;
    explicit SmallInstallation(const std::map<std::string, std::string>& files) {
        for (const auto& [name, bytes] : files) testsupport::WriteFile(dir / name, bytes);
        if (files.count("VantorBooks")) ::chmod((dir / "VantorBooks").c_str(), 0755);
        testsupport::WriteFile(dir / "docs.zip", "stands for an archive");
        archive = (dir / "docs.zip").string();
    }
};

}  // namespace unpacktest
