// A stream over a file descriptor that someone else owns (a replacement file, say), and the
// descriptor calls every file stream of the library goes through.
#pragma once

#include <cstdint>

#include "ziplib/TStream.h"

namespace ziplib {

// Reads until `count` bytes or the end, again after an interrupted read; the bytes read.
int64_t FdRead(int fd, void* buffer, int64_t count);
// Writes all bytes, again after an interrupted or short write; the bytes written (fewer only
// when the device refused more).
int64_t FdWrite(int fd, const void* buffer, int64_t count);
int64_t FdSeek(int fd, int64_t offset, TSeekOrigin origin);
// Copies `count` bytes from `in` at `inOffset` to `out` at its position, in the kernel where it
// can; the bytes copied.
int64_t FdCopy(int in, int64_t inOffset, int out, int64_t count);

class FdStream : public TStream {
public:
    explicit FdStream(int fd) : fd_(fd) {}

    int64_t Read(void* buffer, int64_t count) override { return FdRead(fd_, buffer, count); }
    int64_t Write(const void* buffer, int64_t count) override { return FdWrite(fd_, buffer, count); }
    int64_t Seek(int64_t offset, TSeekOrigin origin) override { return FdSeek(fd_, offset, origin); }
    void SetSize(int64_t newSize) override;  // EStreamError when the file cannot be cut or grown

    int Handle() const { return fd_; }

private:
    int fd_;
};

}  // namespace ziplib
