#include "codec/RawInflater.h"

#include <zlib.h>

#include <new>
#include <optional>
#include <stdexcept>

#include "codec/CodecPasses.h"
#include "codec/ZlibGlue.h"

namespace ziplib {

void RawInflater::StreamDeleter::operator()(z_stream_s* s) const {
    inflateEnd(s);
    delete s;
}

RawInflater::RawInflater() {
    auto s = std::make_unique<z_stream>();  // zeroed: zlib's default allocator and no input
    // Negative window bits: raw deflate, the form items hold.
    DCheck(inflateInit2(s.get(), -MAX_WBITS));
    stream_.reset(s.release());
}

RawInflater::~RawInflater() = default;

void RawInflater::Reset() {
    DCheck(inflateReset(stream_.get()));
    totalIn_ = totalOut_ = 0;
    finished_ = broken_ = false;
}

InflateStatus RawInflater::Inflate(std::span<const std::uint8_t> input, std::span<std::uint8_t> output,
                                   const Sink& sink) {
    if (broken_) return InflateStatus::DataError;
    if (finished_) return InflateStatus::StreamEnd;
    if (output.empty()) throw std::invalid_argument("RawInflater: empty output buffer");

    z_stream& s = *stream_;
    return FeedPasses(
        s, input, output, [&](bool) { return inflate(&s, Z_NO_FLUSH); },
        [&](int rc, const CodecPass& pass) -> std::optional<InflateStatus> {
            totalIn_ += pass.consumed;
            totalOut_ += pass.produced;
            if (rc == Z_DATA_ERROR || rc == Z_NEED_DICT) {
                broken_ = true;
                return InflateStatus::DataError;
            }
            if (rc == Z_MEM_ERROR) throw std::bad_alloc();
            if (rc == Z_STREAM_ERROR) DCheck(rc);
            if (rc == Z_STREAM_END) finished_ = true;
            if (pass.produced > 0 && !sink(output.first(pass.produced))) return InflateStatus::Stopped;
            if (finished_) return InflateStatus::StreamEnd;
            // Z_BUF_ERROR: no progress was possible, so nothing was pending for the input given.
            if (rc == Z_BUF_ERROR) {
                if (pass.inputUsed) return InflateStatus::NeedInput;
                broken_ = true;
                return InflateStatus::DataError;
            }
            if (pass.outputFull) return std::nullopt;  // a full buffer: more output may be waiting
            if (pass.inputUsed) return InflateStatus::NeedInput;
            return std::nullopt;
        });
}

}  // namespace ziplib
