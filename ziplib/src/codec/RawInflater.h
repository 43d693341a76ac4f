// Streaming inflate of an item's raw deflate data (no zlib header or trailer) through zlib, chunk
// by chunk, into a bounded output buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

struct z_stream_s;

namespace ziplib {

enum class InflateStatus {
    NeedInput,  // the input is used up and no output is pending: give the next chunk
    StreamEnd,  // the deflate stream is complete; input after its end is not used
    Stopped,    // the sink asked to stop; the rest of that input is not used
    DataError,  // the data is not valid deflate data; every later call says so too
};

class RawInflater {
public:
    // Takes each piece of output as it is produced; returns false to stop (cancel, size limit, a
    // failed write). A piece is valid only during the call.
    using Sink = std::function<bool(std::span<const std::uint8_t>)>;

    // Raises EDecompressionError when zlib cannot start a stream.
    RawInflater();
    ~RawInflater();
    RawInflater(const RawInflater&) = delete;
    RawInflater& operator=(const RawInflater&) = delete;

    // Inflates the next chunk of the stream into `output` (reused for every pass) and hands each
    // pass's bytes to `sink`. It keeps inflating while the output buffer comes back full, even
    // when the chunk is used up, because zlib may still hold output for it: stopping there loses
    // the end of items whose size is near a multiple of the buffer. `output` must not be empty.
    InflateStatus Inflate(std::span<const std::uint8_t> input, std::span<std::uint8_t> output, const Sink& sink);

    // Starts a new stream, keeping zlib's memory (one inflater can serve many items).
    void Reset();

    std::uint64_t TotalIn() const { return totalIn_; }    // compressed bytes used by the stream
    std::uint64_t TotalOut() const { return totalOut_; }  // bytes produced by the stream
    bool Finished() const { return finished_; }

private:
    struct StreamDeleter {
        void operator()(z_stream_s* s) const;
    };
    std::unique_ptr<z_stream_s, StreamDeleter> stream_;
    // Kept here, not read from zlib's record, so they are 64-bit whatever zlib's long is.
    std::uint64_t totalIn_ = 0;
    std::uint64_t totalOut_ = 0;
    bool finished_ = false;
    bool broken_ = false;
};

}  // namespace ziplib
