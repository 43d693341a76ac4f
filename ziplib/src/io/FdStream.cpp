#include "io/FdStream.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "platform/SafeFile.h"
#include "ziplib/UniExceptions.h"
#include "ziplib/WideFiles.h"
#include "ziplib/ZAFormat.h"

namespace ziplib {

int64_t FdRead(int fd, void* buffer, int64_t count) {
    int64_t done = 0;
    auto* p = static_cast<char*>(buffer);
    while (done < count) {
        const ssize_t n = ::read(fd, p + done, static_cast<size_t>(count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    return done;
}

int64_t FdWrite(int fd, const void* buffer, int64_t count) {
    if (count <= 0) return 0;
    return static_cast<int64_t>(platform::WriteAll(fd, buffer, static_cast<size_t>(count)));
}

int64_t FdSeek(int fd, int64_t offset, TSeekOrigin origin) {
    const int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET : origin == TSeekOrigin::soCurrent ? SEEK_CUR : SEEK_END;
    return ::lseek(fd, offset, whence);
}

int64_t FdCopy(int in, int64_t inOffset, int out, int64_t count) {
    int64_t done = 0;
    loff_t from = inOffset;
    while (done < count) {
        const ssize_t n = ::copy_file_range(in, &from, out, nullptr, static_cast<size_t>(count - done), 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    if (done == count) return done;
    // Where the kernel can't copy between these files: through a buffer.
    std::vector<char> block(static_cast<size_t>(std::min<int64_t>(count - done, 1 << 20)));
    while (done < count) {
        const auto want = static_cast<size_t>(std::min<int64_t>(count - done, static_cast<int64_t>(block.size())));
        const ssize_t n = ::pread(in, block.data(), want, inOffset + done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        if (FdWrite(out, block.data(), n) != n) break;
        done += n;
    }
    return done;
}

void FdStream::SetSize(int64_t newSize) {
    if (newSize < 0 || ::ftruncate(fd_, newSize) != 0)
        throw EStreamError(FormatText("Cannot set size of file. %s", {FormatArg(WideSysErrorMessage(errno))}));
    if (Position() > newSize) Seek(newSize, TSeekOrigin::soBeginning);
}

}  // namespace ziplib
