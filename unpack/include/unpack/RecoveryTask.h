// The start-up clean-up (RecoverInterrupted) on a thread of its own: putting back the moves of
// a large update takes seconds, and a window must answer meanwhile.
#pragma once

#include <functional>
#include <string>
#include <thread>

#include "unpack/UnpackArchive.h"

namespace unpack {

class RecoveryTask {
public:
    // Runs on the worker thread as its last act.
    using Done = std::function<void(const Recovery& recovery)>;

    explicit RecoveryTask(std::string baseDir);
    // Waits for the worker: a roll-back is never cut off half-way by its caller.
    ~RecoveryTask();
    RecoveryTask(const RecoveryTask&) = delete;
    RecoveryTask& operator=(const RecoveryTask&) = delete;

    // Starts the worker; call once.
    void Start(Done done);

    const std::string baseDir;

private:
    std::thread worker_;
};

}  // namespace unpack
