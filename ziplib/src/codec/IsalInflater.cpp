#include "codec/IsalInflater.h"

#if ZIPLIB_HAVE_ISAL

#include <isa-l/igzip_lib.h>

#include <optional>
#include <stdexcept>

#include "codec/CodecPasses.h"

namespace ziplib {

void IsalInflater::StateDeleter::operator()(inflate_state* s) const { delete s; }

IsalInflater::IsalInflater() : state_(new inflate_state) { Reset(); }

IsalInflater::~IsalInflater() = default;

void IsalInflater::Reset() {
    isal_inflate_init(state_.get());
    state_->crc_flag = ISAL_DEFLATE;  // raw deflate, the form items hold; the CRC is ours
    totalOut_ = 0;
    finished_ = broken_ = false;
}

InflateStatus IsalInflater::Inflate(std::span<const std::uint8_t> input, std::span<std::uint8_t> output,
                                    const Sink& sink) {
    if (broken_) return InflateStatus::DataError;
    if (finished_) return InflateStatus::StreamEnd;
    if (output.empty()) throw std::invalid_argument("IsalInflater: empty output buffer");

    inflate_state& s = *state_;
    return FeedPasses(
        s, input, output, [&](bool) { return isal_inflate(&s); },
        [&](int rc, const CodecPass& pass) -> std::optional<InflateStatus> {
            totalOut_ += pass.produced;
            if (rc < 0 || rc == ISAL_NEED_DICT) {
                broken_ = true;
                return InflateStatus::DataError;
            }
            if (s.block_state == ISAL_BLOCK_FINISH) finished_ = true;
            if (pass.produced > 0 && !sink(output.first(pass.produced))) return InflateStatus::Stopped;
            if (finished_) return InflateStatus::StreamEnd;
            if (pass.outputFull) return std::nullopt;  // a full buffer: more output may be waiting
            if (pass.inputUsed) return InflateStatus::NeedInput;
            // Room for output and input left, yet nothing moved: the data can't be decoded.
            if (pass.produced == 0 && pass.consumed == 0) {
                broken_ = true;
                return InflateStatus::DataError;
            }
            return std::nullopt;
        });
}

}  // namespace ziplib

#endif  // ZIPLIB_HAVE_ISAL
