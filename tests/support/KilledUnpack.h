// An unpack killed half-way through its moves into place: it runs in a child process that a
// SIGKILL ends before move `killAt`, so the scratch folder and its journal stay as a kill
// leaves them, for the next start to undo.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>

#include "unpack/UnpackArchive.h"

namespace testsupport {

// `extract` stands in for the extraction (nullptr: the archive library's). True when the child
// was killed there; false when the update has fewer moves or the child could not run.
inline bool UnpackKilledAt(const std::string& archive, const std::filesystem::path& dir, size_t killAt,
                           unpack::Extractor extract = nullptr) {
    const pid_t child = ::fork();
    if (child < 0) return false;
    if (child == 0) {
        if (extract) unpack::SetExtractorForTesting(std::move(extract));
        unpack::SetMoveHookForTesting([killAt](size_t i, const std::filesystem::path&) {
            if (i == killAt) ::raise(SIGKILL);
            return 0;
        });
        try {
            unpack::UnpackArchive(archive, dir.string());
        } catch (...) {
        }
        ::_exit(0);
    }
    int status = 0;
    return ::waitpid(child, &status, 0) == child && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

}  // namespace testsupport
