#include "ziplib/TStream.h"

#include "ziplib/UniExceptions.h"

namespace ziplib {

int64_t TStream::Size() {
    const int64_t pos = Seek(0, TSeekOrigin::soCurrent);
    const int64_t end = Seek(0, TSeekOrigin::soEnd);
    Seek(pos, TSeekOrigin::soBeginning);
    return end;
}

void TStream::ReadBuffer(void* buffer, int64_t count) {
    if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
    if (count != 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

}  // namespace ziplib
