// The writer of extracted data: a block that does not go out whole (a full disk) is offered to
// the user, who frees space and retries or gives up.
#pragma once

#include <cstdint>
#include <functional>

#include "ziplib/TStream.h"

namespace ziplib {

enum class DiskFullAnswer { Retry, Abort };

// Asked after a short write. The archiver raises its disk-full event here and, on Abort, sets
// its cancel flag.
using DiskFullPrompt = std::function<DiskFullAnswer()>;

// Writes `count` bytes at the stream's position. After a short write it asks `whatNow`: Retry
// goes back to where the block started and writes all of it again; Abort, an exception from the
// prompt, or no prompt at all give false. True when the whole block was written.
bool WriteBufferWithRetry(TStream& stream, const void* buffer, std::int64_t count, const DiskFullPrompt& whatNow);

}  // namespace ziplib
