#include "unpack/RecoveryTask.h"

namespace unpack {

RecoveryTask::RecoveryTask(std::string baseDir) : baseDir(std::move(baseDir)) {}

RecoveryTask::~RecoveryTask() {
    if (worker_.joinable()) worker_.join();
}

void RecoveryTask::Start(Done done) {
    worker_ = std::thread([this, done = std::move(done)] {
        Recovery recovery;
        try {
            recovery = RecoverInterrupted(baseDir);
        } catch (const std::exception& e) {
            // It throws for nothing it finds; what is left is a failure of the machine itself.
            recovery.problems.push_back(std::string("An interrupted update could not be undone. ") + e.what());
        }
        if (done) done(recovery);
    });
}

}  // namespace unpack
