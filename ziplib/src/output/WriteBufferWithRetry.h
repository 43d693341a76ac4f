// The writer of extracted data: a block that does not go out whole because the disk is full is
// offered to the user, who frees space and retries or gives up. A write the system refused for
// another reason (an I/O error, the file-size limit) is no question of space and is not offered.
#pragma once

#include <cstdint>
#include <functional>

#include "ziplib/TStream.h"

namespace ziplib {

enum class DiskFullAnswer { Retry, Abort };

// Asked after a short write on a full disk. The archiver raises its disk-full event here and,
// on Abort, sets its cancel flag.
using DiskFullPrompt = std::function<DiskFullAnswer()>;

// A stream over a file of the system's, which can say why its last write fell short.
class WriteErrorSource {
public:
    // The errno of the last write when it fell short, 0 when it went out whole.
    virtual int LastWriteError() const = 0;

protected:
    ~WriteErrorSource() = default;
};

// The errno of the stream's last write when the stream can tell, else 0.
int LastWriteErrorOf(const TStream& stream);

// Whether a short write with this errno is a failure of the file rather than a lack of space:
// 0 (a stream that cannot tell), ENOSPC and EDQUOT mean a full disk.
bool IsWriteError(int err);

// Writes `count` bytes at the stream's position. After a short write on a full disk it asks
// `whatNow`: Retry goes back to where the block started and writes all of it again; Abort, an
// exception from the prompt, or no prompt at all give false. A write error (IsWriteError) gives
// false without a question; the stream keeps its errno. True when the whole block was written.
bool WriteBufferWithRetry(TStream& stream, const void* buffer, std::int64_t count, const DiskFullPrompt& whatNow);

}  // namespace ziplib
