#include "output/WriteBufferWithRetry.h"

#include <cerrno>

namespace ziplib {

int LastWriteErrorOf(const TStream& stream) {
    const auto* source = dynamic_cast<const WriteErrorSource*>(&stream);
    return source ? source->LastWriteError() : 0;
}

bool IsWriteError(int err) { return err != 0 && err != ENOSPC && err != EDQUOT; }

bool WriteBufferWithRetry(TStream& stream, const void* buffer, std::int64_t count, const DiskFullPrompt& whatNow) {
    std::int64_t written = stream.Write(buffer, count);
    if (written == count) return true;
    // Where the block started: found only when a write fell short, so a good write costs no seek.
    const std::int64_t start = stream.Position() - written;
    for (;;) {
        // Freeing space would not help: asking the user to would only hide the cause.
        if (IsWriteError(LastWriteErrorOf(stream))) return false;
        DiskFullAnswer answer = DiskFullAnswer::Abort;
        if (whatNow) {
            try {
                answer = whatNow();
            } catch (...) {
                answer = DiskFullAnswer::Abort;  // a failing prompt must not leave the batch half-way
            }
        }
        if (answer != DiskFullAnswer::Retry) return false;
        if (stream.Seek(start, TSeekOrigin::soBeginning) != start) return false;
        written = stream.Write(buffer, count);
        if (written == count) return true;
    }
}

}  // namespace ziplib
