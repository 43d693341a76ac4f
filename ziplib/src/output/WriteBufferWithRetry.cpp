#include "ziplib/WriteBufferWithRetry.h"

namespace ziplib {

bool WriteBufferWithRetry(TStream& stream, const void* buffer, std::int64_t count, const DiskFullPrompt& whatNow) {
    const std::int64_t start = stream.Position();
    for (;;) {
        if (stream.Write(buffer, count) == count) return true;
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
    }
}

}  // namespace ziplib
