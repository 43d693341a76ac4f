// An unpack (or the check before a hand-over) on a thread of its own, so that a window stays
// responsive while many files are extracted and moved into place.
#pragma once

#include <functional>
#include <string>
#include <thread>

#include "unpack/UnpackArchive.h"

namespace unpack {

class UnpackTask {
public:
    enum class Kind { Unpack, Check };
    // Runs on the worker thread as its last act: an empty error when the archive was unpacked
    // (or would unpack), else the message for the user.
    using Done = std::function<void(const std::string& error)>;

    UnpackTask(Kind kind, std::string archive, std::string baseDir);
    // Waits for the worker: an unpack is never cut off half-way by its caller.
    ~UnpackTask();
    UnpackTask(const UnpackTask&) = delete;
    UnpackTask& operator=(const UnpackTask&) = delete;

    // Starts the worker; call once. `progress` runs on the worker and must not block it.
    void Start(Progress progress, Done done);

    const Kind kind;
    const std::string archive;
    const std::string baseDir;

private:
    std::thread worker_;
};

}  // namespace unpack
