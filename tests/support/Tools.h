// Other programs the tests run (zip, unzip and 7z make and check archives as other tools write
// them): found in the system's program folders and run there with a UTF-8 locale, so a test
// sees the same tool and the same file names whoever starts it.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

extern char** environ;

namespace testsupport {

inline constexpr const char* kToolPath = "/usr/local/bin:/usr/bin:/bin";

// Where the tool is installed; empty when it is not.
inline std::filesystem::path FindTool(std::string_view name) {
    for (const char* dir : {"/usr/local/bin/", "/usr/bin/", "/bin/"}) {
        const std::string path = dir + std::string(name);
        if (::access(path.c_str(), X_OK) == 0) return path;
    }
    return {};
}

// Set (to anything but "0") where every tool must be there: scripts/test.sh does, so that a
// machine without zip or 7z cannot pass for one that ran every test.
inline bool ToolsRequired() {
    const char* v = std::getenv("VB_REQUIRE_TOOLS");
    return v && *v && std::strcmp(v, "0") != 0;
}

// Whether the tool is installed. A test skips what needs a missing tool; where tools are
// required, the missing tool is a failure of the running test as well.
inline bool HaveTool(std::string_view name) {
    if (!FindTool(name).empty()) return true;
    if (ToolsRequired()) ADD_FAILURE() << name << " is not installed, and VB_REQUIRE_TOOLS asks for every tool";
    return false;
}

// Runs a program without a shell, so every argument reaches it byte for byte, in `dir`; its
// standard output goes to `out`, its errors to the test's own. A bare name is looked up in the
// program folders. The exit status, or -1 when it could not run or did not exit.
inline int RunTool(const std::vector<std::string>& args, const std::filesystem::path& dir,
                   const std::filesystem::path& out = "/dev/null") {
    if (args.empty()) return -1;
    const std::string program = args[0].find('/') == std::string::npos ? FindTool(args[0]).string() : args[0];
    if (program.empty()) return -1;
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<std::string> env = {std::string("PATH=") + kToolPath, "LC_ALL=C.UTF-8"};
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "PATH=", 5) != 0 && std::strncmp(*e, "LC_ALL=", 7) != 0) env.emplace_back(*e);
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return -1;
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

// Runs a shell command line (for pipes, globs and redirections) in `dir`, as RunTool runs a tool.
inline int RunShell(const std::filesystem::path& dir, const std::string& command,
                    const std::filesystem::path& out = "/dev/null") {
    return RunTool({"/bin/sh", "-c", command}, dir, out);
}

// Runs a shell command line that must succeed; the command is part of the failure's message.
inline void ExpectShell(const std::filesystem::path& dir, const std::string& command) {
    SCOPED_TRACE(command);
    ASSERT_EQ(RunShell(dir, command), 0);
}

}  // namespace testsupport
