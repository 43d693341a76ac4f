// Archives for tests, made and read with other tools: MakeZip packs a folder the way an update
// archive is packed (7z, which marks its Cyrillic names as UTF-8), and UnzipExtract stands in for
// the archive library's extraction behind the unpack seam (the tools are never used by the
// programs themselves).
#pragma once

#include <filesystem>
#include <utility>
#include <stdexcept>
#include <string>
#include <vector>

#include "TempDir.h"
#include "Tools.h"

namespace testsupport {

// Packs everything below `folder` (names relative to it, folders included) into `archive`,
// compressed unless `stored`. Names are stored as UTF-8 and flagged so, as archives made on this
// system have to be: an unflagged 8-bit name is read in the OEM code page.
inline void MakeZip(const std::filesystem::path& folder, const std::filesystem::path& archive, bool stored = false) {
    std::filesystem::create_directories(archive.parent_path());
    std::filesystem::remove(archive);
    const std::vector<std::string> args = {"7z", "a", "-tzip", "-bd", stored ? "-mx=0" : "-mx=5",
                                           std::filesystem::absolute(archive).string(), "."};
    if (RunTool(args, folder) != 0) throw std::runtime_error("7z could not pack " + folder.string());
}

// The extraction of the unpack seam, by the unzip tool: every item below the folder, and an
// exception for a damaged or truncated archive (unzip then ends with a status other than 0).
inline void UnzipExtract(const std::filesystem::path& archive, const std::filesystem::path& folder) {
    const int status = RunTool({"unzip", "-qq", "-o", archive.string(), "-d", folder.string()}, folder);
    if (status != 0)
        throw std::runtime_error("unzip could not extract " + archive.filename().string() + " (status " +
                                 std::to_string(status) + ")");
}

// Files packed into an archive; the folder they were packed from stays for comparing the
// unpacked files with.
struct ZipPackage {
    TempDir src;
    std::string bytes;
    explicit ZipPackage(const std::vector<std::pair<std::string, std::string>>& files, bool stored = false) {
        for (const auto& [rel, content] : files) WriteFile(src / rel, content);
        TempDir out;
        MakeZip(src.path(), out / "a.zip", stored);
        bytes = ReadFile(out / "a.zip");
    }
    // The archive with one byte of a stored item's data changed where `marker` begins, so that
    // the item no longer matches its CRC.
    std::string Damaged(const std::string& marker) const {
        std::string copy = bytes;
        const size_t at = copy.find(marker);
        if (at == std::string::npos) throw std::runtime_error("marker not stored");
        copy[at] ^= 0x20;
        return copy;
    }
};

}  // namespace testsupport
