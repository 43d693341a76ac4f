// One-shot raw inflate (libdeflate) of a whole deflate stream held in memory into a buffer of
// known size: faster than streaming for items whose compressed and inflated sizes are small
// enough to hold at once. Produces the same bytes as RawInflater.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

struct libdeflate_decompressor;

namespace ziplib {

enum class BufferInflateStatus {
    Done,            // a complete stream; `consumed` may be less than the input
    DataError,       // invalid or truncated data
    OutputTooSmall,  // the data would produce more than the buffer holds
};

struct BufferInflateResult {
    BufferInflateStatus status;
    std::size_t consumed;  // input bytes of the stream (Done only)
    std::size_t produced;  // bytes written to the output (Done only)
};

class BufferInflater {
public:
    BufferInflater();  // std::bad_alloc when out of memory
    ~BufferInflater();
    BufferInflater(const BufferInflater&) = delete;
    BufferInflater& operator=(const BufferInflater&) = delete;

    // Never writes past `output`, whatever the data claims.
    BufferInflateResult Inflate(std::span<const std::uint8_t> input, std::span<std::uint8_t> output);

private:
    libdeflate_decompressor* d_;
};

}  // namespace ziplib
