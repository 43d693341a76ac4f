// A stream that holds nothing: writes are taken whole and forgotten, reads leave the buffer
// alone. Testing an item decodes it into one.
#pragma once

#include "ziplib/TStream.h"

namespace ziplib {

class TNullStream : public TStream {
public:
    int64_t Read(void*, int64_t count) override { return count; }
    int64_t Write(const void*, int64_t count) override { return count; }
    int64_t Seek(int64_t, TSeekOrigin) override { return 0; }
    void SetSize(int64_t) override {}
};

}  // namespace ziplib
