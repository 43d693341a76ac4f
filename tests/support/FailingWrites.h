// A disk that fails: runs a piece of a test in a child process in which every write of a
// block (4 KiB or more) to a file (any descriptor above the standard three) fails with the
// errno the test names, as a failing or full device makes it fail, without a mount or a device
// of its own. Smaller writes go through, so that the sanitizers' own probes still work.
#pragma once

#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace testsupport {

// What `body` returned in the child, or nothing when this machine cannot filter system calls
// (the test then skips). The child reports through a pipe that its filter leaves alone.
inline std::optional<std::string> WithFailingWrites(int err, const std::function<std::string()>& body) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return std::nullopt;
    const pid_t child = ::fork();
    if (child < 0) return std::nullopt;
    if (child == 0) {
        ::close(pipeFds[0]);
        const auto report = static_cast<unsigned>(pipeFds[1]);
        const auto nr = [](int call) { return static_cast<unsigned>(call); };
        // write and pwrite64 of 4 KiB or more with a descriptor above 2 fail, except on the
        // report pipe (the low half of each argument is enough for these numbers).
        sock_filter filter[] = {
            BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
            BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, nr(__NR_write), 1, 0),
            BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, nr(__NR_pwrite64), 0, 6),
            BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[0])),
            BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, report, 4, 0),
            BPF_JUMP(BPF_JMP | BPF_JGE | BPF_K, 3, 0, 3),
            BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[2])),
            BPF_JUMP(BPF_JMP | BPF_JGE | BPF_K, 4096, 0, 1),
            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (static_cast<unsigned>(err) & SECCOMP_RET_DATA)),
            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        };
        sock_fprog program{static_cast<unsigned short>(sizeof filter / sizeof filter[0]), filter};
        std::string out = "\x01";  // no filter
        if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0) {
            try {
                out = "\x02" + body();
            } catch (const std::exception& e) {
                out = "\x02threw: " + std::string(e.what());
            }
        }
        for (size_t at = 0; at < out.size();) {
            const ssize_t n = ::write(pipeFds[1], out.data() + at, out.size() - at);
            if (n <= 0) break;
            at += static_cast<size_t>(n);
        }
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    std::string got;
    char buf[4096];
    for (ssize_t n; (n = ::read(pipeFds[0], buf, sizeof buf)) != 0;) {
        if (n < 0) break;
        got.append(buf, static_cast<size_t>(n));
    }
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (got.empty()) return "the child ended without a report";
    if (got[0] != '\x02') return std::nullopt;
    return got.substr(1);
}

}  // namespace testsupport
