#include "codec/RawInflater.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <new>
#include <stdexcept>

#include "codec/ZlibGlue.h"

namespace ziplib {
namespace {

// zlib counts a pass's input and output in unsigned int.
constexpr std::size_t kMaxPass = UINT_MAX;

}  // namespace

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
    const std::uint8_t* in = input.data();
    std::size_t inLeft = input.size();
    // The input is the caller's only for this call: zlib must not keep pointing into it.
    const auto leave = [&s](InflateStatus st) {
        s.next_in = Z_NULL;
        s.avail_in = 0;
        return st;
    };
    for (;;) {
        if (s.avail_in == 0 && inLeft > 0) {
            const std::size_t take = std::min(inLeft, kMaxPass);
            s.next_in = const_cast<Bytef*>(in);
            s.avail_in = static_cast<uInt>(take);
            in += take;
            inLeft -= take;
        }
        const uInt inBefore = s.avail_in;
        const uInt outCap = static_cast<uInt>(std::min(output.size(), kMaxPass));
        s.next_out = output.data();
        s.avail_out = outCap;
        const int rc = inflate(&s, Z_NO_FLUSH);
        const std::size_t produced = outCap - s.avail_out;
        totalIn_ += inBefore - s.avail_in;
        totalOut_ += produced;

        if (rc == Z_DATA_ERROR || rc == Z_NEED_DICT) {
            broken_ = true;
            return leave(InflateStatus::DataError);
        }
        if (rc == Z_MEM_ERROR) throw std::bad_alloc();
        if (rc == Z_STREAM_ERROR) DCheck(rc);
        if (rc == Z_STREAM_END) finished_ = true;
        if (produced > 0 && !sink(output.first(produced))) return leave(InflateStatus::Stopped);
        if (finished_) return leave(InflateStatus::StreamEnd);
        // Z_BUF_ERROR: no progress was possible, so nothing was pending for the input given.
        const bool inputUsed = s.avail_in == 0 && inLeft == 0;
        if (rc == Z_BUF_ERROR) {
            if (inputUsed) return leave(InflateStatus::NeedInput);
            broken_ = true;
            return leave(InflateStatus::DataError);
        }
        if (s.avail_out == 0) continue;  // a full buffer: more output may be waiting
        if (inputUsed) return leave(InflateStatus::NeedInput);
    }
}

}  // namespace ziplib
