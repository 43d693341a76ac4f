// Archives for tests, made and read with other tools: MakeZip packs a folder the way an update
// archive is packed (7z, which marks its Cyrillic names as UTF-8), and UnzipExtract stands in for
// the archive library's extraction behind the unpack seam (the tools are never used by the
// programs themselves).
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <utility>
#include <stdexcept>
#include <string>
#include <vector>

#include "TempDir.h"

extern char** environ;

namespace testsupport {

// Runs a tool in `dir` and returns its exit status (-1 when it could not run).
inline int RunTool(const std::vector<std::string>& args, const std::filesystem::path& dir) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<std::string> env = {"LC_ALL=C.UTF-8", "PATH=/usr/bin:/bin"};
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int rc = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return -1;
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

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
