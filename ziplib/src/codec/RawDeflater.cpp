#include "codec/RawDeflater.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <stdexcept>

#include "codec/ZlibGlue.h"

namespace ziplib {
namespace {

constexpr std::size_t kMaxPass = UINT_MAX;
constexpr int kDefaultMemLevel = 8;  // what deflateInit uses

}  // namespace

void RawDeflater::StreamDeleter::operator()(z_stream_s* s) const {
    deflateEnd(s);  // its result only says whether the stream was complete
    delete s;
}

RawDeflater::RawDeflater(int level) : level_(level) {
    auto s = std::make_unique<z_stream>();
    CCheck(deflateInit2(s.get(), level, Z_DEFLATED, -MAX_WBITS, kDefaultMemLevel, Z_DEFAULT_STRATEGY));
    stream_.reset(s.release());
}

RawDeflater::~RawDeflater() = default;

void RawDeflater::Reset(int level) {
    CCheck(deflateReset(stream_.get()));
    // A fresh stream has put nothing out yet, so changing the level here flushes nothing.
    if (level != level_) CCheck(deflateParams(stream_.get(), level, Z_DEFAULT_STRATEGY));
    level_ = level;
    totalIn_ = totalOut_ = 0;
}

bool RawDeflater::Deflate(std::span<const std::uint8_t> input, Flush flush, std::span<std::uint8_t> output,
                          const Sink& sink) {
    if (output.empty()) throw std::invalid_argument("RawDeflater: empty output buffer");
    if (input.empty() && flush == Flush::None) return true;
    const int zflush = flush == Flush::Finish ? Z_FINISH : flush == Flush::Sync ? Z_SYNC_FLUSH : Z_NO_FLUSH;

    z_stream& s = *stream_;
    const std::uint8_t* in = input.data();
    std::size_t inLeft = input.size();
    bool keepGoing = true;
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
        // The flush applies only once the last piece of the input is in zlib's hands.
        int rc = deflate(&s, inLeft == 0 ? zflush : Z_NO_FLUSH);
        if (rc == Z_BUF_ERROR) rc = Z_OK;  // nothing left to do for this flush: not a failure
        CCheck(rc);
        const std::size_t produced = outCap - s.avail_out;
        totalIn_ += inBefore - s.avail_in;
        totalOut_ += produced;
        if (produced > 0 && !sink(output.first(produced))) {
            keepGoing = false;
            break;
        }
        if (s.avail_out == 0) continue;  // the buffer filled up: zlib may hold more
        if (s.avail_in > 0 || inLeft > 0) continue;
        if (flush == Flush::Finish && rc != Z_STREAM_END) continue;
        break;
    }
    s.next_in = Z_NULL;
    s.avail_in = 0;
    return keepGoing;
}

}  // namespace ziplib
