// The processes this test process has started and not yet reaped, running or ended. A program
// that the code under test starts is among them from the moment the call that starts it returns,
// so a test tells at once that nothing was started, instead of waiting for a sign of it.
#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <string_view>

namespace testsupport {

// With a command, only the children of that name (the kernel cuts names to 15 characters).
inline std::set<pid_t> ChildProcesses(std::string_view command = {}) {
    std::set<pid_t> pids;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator("/proc", ec)) {
        const std::string name = e.path().filename().string();
        if (name.empty() || !std::all_of(name.begin(), name.end(), [](unsigned char c) { return std::isdigit(c) != 0; }))
            continue;
        std::ifstream stat(e.path() / "stat");
        std::string line;
        std::getline(stat, line);  // empty when the process is gone meanwhile
        // The command name in parentheses may hold anything, so the fields are read after its end.
        const std::size_t open = line.find('('), close = line.rfind(')');
        if (open == std::string::npos || close == std::string::npos || close < open) continue;
        if (!command.empty() && std::string_view(line).substr(open + 1, close - open - 1) != command) continue;
        char state = 0;
        int ppid = 0;
        if (std::sscanf(line.c_str() + close + 1, " %c %d", &state, &ppid) == 2 && ppid == ::getpid())
            pids.insert(static_cast<pid_t>(std::stol(name)));
    }
    return pids;
}

// The children started since `before` was taken.
inline std::set<pid_t> ChildProcessesSince(const std::set<pid_t>& before) {
    std::set<pid_t> now = ChildProcesses();
    for (pid_t p : before) now.erase(p);
    return now;
}

}  // namespace testsupport
