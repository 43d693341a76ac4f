// Where the item-data engine puts an item's bytes: any sink of blocks, usually a stream written
// through the disk-full retry writer.
#pragma once

#include <cstdint>
#include <span>

#include "output/WriteBufferWithRetry.h"
#include "ziplib/TStream.h"

namespace ziplib {

class ItemOutput {
public:
    virtual ~ItemOutput() = default;
    // The next block of the item; false when it could not be written and the user gave up.
    virtual bool Write(std::span<const std::uint8_t> block) = 0;
};

// Writes each block to a stream with WriteBufferWithRetry.
class StreamItemOutput : public ItemOutput {
public:
    explicit StreamItemOutput(TStream& stream, DiskFullPrompt whatNow = {})
        : stream_(stream), whatNow_(std::move(whatNow)) {}
    bool Write(std::span<const std::uint8_t> block) override {
        return WriteBufferWithRetry(stream_, block.data(), static_cast<std::int64_t>(block.size()), whatNow_);
    }

private:
    TStream& stream_;
    DiskFullPrompt whatNow_;
};

}  // namespace ziplib
