// What the archiver answers when a block it writes does not go out whole.
#pragma once

#include "output/WriteBufferWithRetry.h"
#include "ziplib/TZABaseArchiver.h"

namespace ziplib {

// The disk-full event decides between writing the block again and giving up, which cancels the
// running operation. A failing handler counts as giving up.
inline DiskFullPrompt AskOnDiskFull(TZABaseArchiver& a) {
    return [&a] {
        bool cancel = true;
        try {
            a.DoOnDiskFull(-1, a.FileName, cancel);
        } catch (...) {
            cancel = true;
        }
        if (cancel) a.Cancelled = true;
        return cancel ? DiskFullAnswer::Abort : DiskFullAnswer::Retry;
    };
}

}  // namespace ziplib
