#include "codec/IsalInflater.h"

#if ZIPLIB_HAVE_ISAL

#include <isa-l/igzip_lib.h>

#include <algorithm>
#include <climits>
#include <new>
#include <stdexcept>

namespace ziplib {
namespace {

// ISA-L counts a pass's input and output in 32 bits.
constexpr std::size_t kMaxPass = UINT32_MAX;

}  // namespace

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
    const std::uint8_t* in = input.data();
    std::size_t inLeft = input.size();
    const auto leave = [&s](InflateStatus st) {
        s.next_in = nullptr;
        s.avail_in = 0;
        return st;
    };
    for (;;) {
        if (s.avail_in == 0 && inLeft > 0) {
            const std::size_t take = std::min(inLeft, kMaxPass);
            s.next_in = const_cast<std::uint8_t*>(in);
            s.avail_in = static_cast<std::uint32_t>(take);
            in += take;
            inLeft -= take;
        }
        const std::uint32_t inBefore = s.avail_in;
        const std::uint32_t outCap = static_cast<std::uint32_t>(std::min(output.size(), kMaxPass));
        s.next_out = output.data();
        s.avail_out = outCap;
        const int rc = isal_inflate(&s);
        const std::size_t produced = outCap - s.avail_out;
        totalOut_ += produced;
        if (rc < 0 || rc == ISAL_NEED_DICT) {
            broken_ = true;
            return leave(InflateStatus::DataError);
        }
        if (s.block_state == ISAL_BLOCK_FINISH) finished_ = true;
        if (produced > 0 && !sink(output.first(produced))) return leave(InflateStatus::Stopped);
        if (finished_) return leave(InflateStatus::StreamEnd);
        if (s.avail_out == 0) continue;  // a full buffer: more output may be waiting
        if (s.avail_in == 0 && inLeft == 0) return leave(InflateStatus::NeedInput);
        // Room for output and input left, yet nothing moved: the data can't be decoded.
        if (produced == 0 && s.avail_in == inBefore) {
            broken_ = true;
            return leave(InflateStatus::DataError);
        }
    }
}

}  // namespace ziplib

#endif  // ZIPLIB_HAVE_ISAL
