// The central headers of a directory in turn, each whole with its name, extra area and comment.
// Read from the archive stream a window at a time, so that a large directory is never held
// whole beside the items made from it; or walked over bytes already read (a spanned directory).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "format/CentralHeader.h"
#include "ziplib/TStream.h"

namespace ziplib {

struct CentralEntry {
    CentralHeader header;
    // Valid until the next call of Next.
    std::span<const uint8_t> name;
    std::span<const uint8_t> extra;
    std::span<const uint8_t> comment;
};

class CentralHeaderWalk {
public:
    explicit CentralHeaderWalk(std::span<const uint8_t> bytes) : window_(bytes), size_(bytes.size()) {}
    // The `size` bytes at `start` of the stream, which must hold them all.
    CentralHeaderWalk(TStream& stream, int64_t start, uint64_t size) : stream_(&stream), start_(start), size_(size) {}

    // The header at Offset() when a whole one with a central signature starts there; false
    // where none does (or the stream failed to give bytes it holds: see ReadFailed).
    bool Next(CentralEntry& entry);
    // Back to the first header.
    void Restart();

    uint64_t Offset() const { return offset_; }
    uint64_t Size() const { return size_; }
    bool ReadFailed() const { return failed_; }

private:
    // The count bytes at Offset() are in the window, read into it when they are not; false
    // when the directory ends before them or the read failed.
    bool Have(uint64_t count);
    std::span<const uint8_t> At(uint64_t count) const {
        return window_.subspan(static_cast<size_t>(offset_ - windowAt_), static_cast<size_t>(count));
    }

    TStream* stream_ = nullptr;
    int64_t start_ = 0;
    std::vector<uint8_t> buffer_;     // the window's bytes when reading from the stream
    std::span<const uint8_t> window_;  // the directory's bytes from windowAt_ on
    uint64_t windowAt_ = 0;
    uint64_t size_ = 0;
    uint64_t offset_ = 0;
    bool failed_ = false;
};

}  // namespace ziplib
