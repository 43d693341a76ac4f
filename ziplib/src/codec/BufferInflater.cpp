#include "codec/BufferInflater.h"

#include <libdeflate.h>

#include <new>

namespace ziplib {

BufferInflater::BufferInflater() : d_(libdeflate_alloc_decompressor()) {
    if (!d_) throw std::bad_alloc();
}

BufferInflater::~BufferInflater() { libdeflate_free_decompressor(d_); }

BufferInflateResult BufferInflater::Inflate(std::span<const std::uint8_t> input, std::span<std::uint8_t> output) {
    std::size_t in = 0, out = 0;
    // Asking for the actual sizes lets a stream end before the buffer is full or the input is used.
    switch (libdeflate_deflate_decompress_ex(d_, input.data(), input.size(), output.data(), output.size(), &in, &out)) {
        case LIBDEFLATE_SUCCESS: return {BufferInflateStatus::Done, in, out};
        case LIBDEFLATE_INSUFFICIENT_SPACE: return {BufferInflateStatus::OutputTooSmall, 0, 0};
        default: return {BufferInflateStatus::DataError, 0, 0};
    }
}

}  // namespace ziplib
