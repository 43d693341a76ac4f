// Streaming deflate through zlib that produces raw deflate data, the form items hold: the same
// deflate bytes as zlib's wrapped output without its 2-byte header and 4-byte trailer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

struct z_stream_s;

namespace ziplib {

class RawDeflater {
public:
    using Sink = std::function<bool(std::span<const std::uint8_t>)>;

    enum class Flush {
        None,    // zlib may keep some of the data for later
        Sync,    // everything so far is put out, ending on a byte boundary (an empty stored block)
        Finish,  // everything is put out and the stream ends
    };

    // Level 0-9 (0 makes stored blocks). Raises ECompressionError when zlib refuses the level or
    // cannot start.
    explicit RawDeflater(int level);
    ~RawDeflater();
    RawDeflater(const RawDeflater&) = delete;
    RawDeflater& operator=(const RawDeflater&) = delete;

    // Compresses `input` pass by pass through `output` (must not be empty), handing each pass's
    // bytes to `sink`; passes go on until the flush asked for is complete, however small the
    // buffer. False when the sink asked to stop. zlib failures raise ECompressionError.
    bool Deflate(std::span<const std::uint8_t> input, Flush flush, std::span<std::uint8_t> output, const Sink& sink);

    // Starts a new stream at `level`, keeping zlib's memory. Raises ECompressionError when zlib
    // refuses the level.
    void Reset(int level);

    std::uint64_t TotalIn() const { return totalIn_; }
    std::uint64_t TotalOut() const { return totalOut_; }

private:
    struct StreamDeleter {
        void operator()(z_stream_s* s) const;
    };
    std::unique_ptr<z_stream_s, StreamDeleter> stream_;
    std::uint64_t totalIn_ = 0;
    std::uint64_t totalOut_ = 0;
    int level_;
};

}  // namespace ziplib
