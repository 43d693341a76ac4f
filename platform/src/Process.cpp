#include "platform/Process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

extern char** environ;

namespace platform {
namespace {
std::function<bool(std::string_view)>& ModuleCheck() {
    static std::function<bool(std::string_view)> check;
    return check;
}
}  // namespace

bool StartProgram(const std::filesystem::path& program, const std::filesystem::path& currentDir, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = "Cannot start \"" + program.string() + "\". " + why;
        return false;
    };
    // posix_spawn reports a missing or non-executable program only through the child's exit,
    // so look first: the caller must know whether the hand-over can happen.
    if (::access(program.c_str(), X_OK) != 0) return fail(std::strerror(errno));
    struct stat st;
    if (::stat(program.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return fail("It is not a program file.");

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!currentDir.empty()) posix_spawn_file_actions_addchdir_np(&actions, currentDir.c_str());
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    // Its own session: the started program outlives us and our terminal.
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
    const std::string path = program.string();
    char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, path.c_str(), &actions, &attr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) return fail(std::strerror(rc));
    return true;
}

bool RunTool(std::string_view name, const std::vector<std::string>& arguments) {
    const std::string tool(name);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(tool.c_str()));
    for (const auto& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int rc = ::posix_spawnp(&pid, tool.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return false;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool IsModuleLoaded(std::string_view name) {
    if (ModuleCheck()) return ModuleCheck()(name);
    return false;
}

void SetModuleCheckForTesting(std::function<bool(std::string_view)> check) { ModuleCheck() = std::move(check); }

void IgnoreFileSizeSignal() { ::signal(SIGXFSZ, SIG_IGN); }

}  // namespace platform
