#include "output/WriteBufferWithRetry.h"

namespace ziplib {

bool WriteBufferWithRetry(TStream& stream, const void* buffer, std::int64_t count, const DiskFullPrompt& whatNow) {
    std::int64_t written = stream.Write(buffer, count);
    if (written == count) return true;
    // Where the block started: found only when a write fell short, so a good write costs no seek.
    const std::int64_t start = stream.Position() - written;
    for (;;) {
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
