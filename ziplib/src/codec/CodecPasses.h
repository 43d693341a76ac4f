// The loop that feeds a streaming codec (zlib's stream record or ISA-L's inflate state: next_in,
// avail_in, next_out, avail_out) one input span pass by pass through one bounded output buffer.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>

namespace ziplib {

// What one pass of the codec did.
struct CodecPass {
    std::size_t consumed;  // input bytes it took
    std::size_t produced;  // bytes it put into the output buffer
    bool inputUsed;        // the codec has taken all of the input
    bool outputFull;       // the pass filled the buffer, so more output may be waiting
};

// Gives the codec the input in pieces it can count, runs `run(lastPiece)` once per pass with
// the whole output buffer, and asks `decide(result, pass)` after each pass whether the call is
// done: a value ends it. The codec never keeps pointing into the caller's input afterwards.
template <class Record, class Run, class Decide>
auto FeedPasses(Record& s, std::span<const std::uint8_t> input, std::span<std::uint8_t> output, Run run,
                Decide decide) {
    using Count = decltype(s.avail_in);
    constexpr std::size_t kMaxPass = std::numeric_limits<Count>::max();
    const std::uint8_t* in = input.data();
    std::size_t inLeft = input.size();
    for (;;) {
        if (s.avail_in == 0 && inLeft > 0) {
            const std::size_t take = std::min(inLeft, kMaxPass);
            s.next_in = const_cast<std::uint8_t*>(in);
            s.avail_in = static_cast<Count>(take);
            in += take;
            inLeft -= take;
        }
        const Count inBefore = s.avail_in;
        const auto outCap = static_cast<decltype(s.avail_out)>(std::min(output.size(), kMaxPass));
        s.next_out = output.data();
        s.avail_out = outCap;
        const auto result = run(inLeft == 0);
        const CodecPass pass{inBefore - s.avail_in, static_cast<std::size_t>(outCap - s.avail_out),
                             s.avail_in == 0 && inLeft == 0, s.avail_out == 0};
        if (const auto done = decide(result, pass)) {
            s.next_in = nullptr;
            s.avail_in = 0;
            return *done;
        }
    }
}

}  // namespace ziplib
