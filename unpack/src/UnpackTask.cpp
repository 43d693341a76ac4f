#include "unpack/UnpackTask.h"

namespace unpack {

UnpackTask::UnpackTask(Kind kind, std::string archive, std::string baseDir)
    : kind(kind), archive(std::move(archive)), baseDir(std::move(baseDir)) {}

UnpackTask::~UnpackTask() {
    if (worker_.joinable()) worker_.join();
}

void UnpackTask::Start(Progress progress, Done done) {
    worker_ = std::thread([this, progress = std::move(progress), done = std::move(done)] {
        std::string error;
        try {
            if (kind == Kind::Unpack) UnpackArchive(archive, baseDir, progress);
            else CheckArchive(archive, baseDir, progress);
        } catch (const std::exception& e) {
            error = e.what();
            if (error.empty()) error = "The archive could not be unpacked.";
        }
        if (done) done(error);
    });
}

}  // namespace unpack
