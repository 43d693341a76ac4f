#include "codec/RawDeflater.h"

#include <zlib.h>

#include <optional>
#include <stdexcept>

#include "codec/CodecPasses.h"
#include "codec/ZlibGlue.h"

namespace ziplib {
namespace {

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
    return FeedPasses(
        s, input, output,
        [&](bool lastPiece) {
            // The flush applies only once the last piece of the input is in zlib's hands.
            int rc = deflate(&s, lastPiece ? zflush : Z_NO_FLUSH);
            if (rc == Z_BUF_ERROR) rc = Z_OK;  // nothing left to do for this flush: not a failure
            return CCheck(rc);
        },
        [&](int rc, const CodecPass& pass) -> std::optional<bool> {
            totalIn_ += pass.consumed;
            totalOut_ += pass.produced;
            if (pass.produced > 0 && !sink(output.first(pass.produced))) return false;
            if (pass.outputFull) return std::nullopt;  // the buffer filled up: zlib may hold more
            if (!pass.inputUsed) return std::nullopt;
            if (flush == Flush::Finish && rc != Z_STREAM_END) return std::nullopt;
            return true;
        });
}

}  // namespace ziplib
