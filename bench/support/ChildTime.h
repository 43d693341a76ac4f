// One run of another program, timed from its start to its end, with its peak resident memory:
// each tool of a benchmark runs in a process of its own, so its memory is its own. The peak is
// taken by /usr/bin/time where it is installed: a process started straight from this one
// counts this one's resident memory in its peak (it begins as a copy of it), while the small
// timing program's copy is well below any tool's own.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace benchsupport {

struct Figure {
    double seconds = 0;
    double peakMiB = 0;
    bool ok = true;
};

inline Figure Time(std::vector<std::string> args, const std::filesystem::path& cwd, bool stdoutToNull) {
    const bool measured = ::access("/usr/bin/time", X_OK) == 0;
    const std::string peakFile =
        (std::filesystem::temp_directory_path() / ("vb-bench-peak-" + std::to_string(::getpid()))).string();
    if (measured) args.insert(args.begin(), {"/usr/bin/time", "-f", "%M", "-o", peakFile});
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addchdir_np(&fa, cwd.c_str());
    if (stdoutToNull) posix_spawn_file_actions_addopen(&fa, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const auto t0 = std::chrono::steady_clock::now();
    pid_t pid;
    Figure f;
    if (posix_spawnp(&pid, argv[0], &fa, nullptr, argv.data(), environ) != 0) {
        posix_spawn_file_actions_destroy(&fa);
        f.ok = false;
        return f;
    }
    int status = 0;
    struct rusage ru {};
    ::wait4(pid, &status, 0, &ru);
    f.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    f.peakMiB = static_cast<double>(ru.ru_maxrss) / 1024.0;
    f.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (measured) {
        long kib = 0;
        std::ifstream in(peakFile);
        // A tool that fails makes the timing program write a status line before the figure.
        for (std::string line; std::getline(in, line);)
            if (!line.empty() && line.find_first_not_of("0123456789") == std::string::npos) kib = std::stol(line);
        std::filesystem::remove(peakFile);
        f.peakMiB = static_cast<double>(kib) / 1024.0;
    }
    posix_spawn_file_actions_destroy(&fa);
    return f;
}

inline bool Have(const char* tool) {
    for (const char* dir : {"/usr/bin/", "/bin/", "/usr/local/bin/"})
        if (::access((std::string(dir) + tool).c_str(), X_OK) == 0) return true;
    return false;
}

}  // namespace benchsupport
