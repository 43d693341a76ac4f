// A stream over a growable block of memory.
#pragma once

#include <string_view>
#include <vector>

#include "ziplib/TStream.h"

namespace ziplib {

class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::string_view bytes) : data_(bytes.begin(), bytes.end()) {}

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t newSize) override;
    int64_t Size() override { return static_cast<int64_t>(data_.size()); }

    const std::vector<unsigned char>& Bytes() const { return data_; }
    void Clear();

private:
    std::vector<unsigned char> data_;
    int64_t pos_ = 0;
};

}  // namespace ziplib
