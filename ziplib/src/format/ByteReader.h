// Little-endian reads from a byte span with a sticky "ok" flag: a read that does not fit
// returns 0 (or an empty span) and clears ok for good, so a parser checks ok once per record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace ziplib {

class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> data) noexcept : data_(data) {}

    // Fields at an explicit offset from the start of the data; the cursor does not move.
    std::uint8_t U8At(std::size_t offset) noexcept { return static_cast<std::uint8_t>(Le(offset, 1)); }
    std::uint16_t U16At(std::size_t offset) noexcept { return static_cast<std::uint16_t>(Le(offset, 2)); }
    std::uint32_t U32At(std::size_t offset) noexcept { return static_cast<std::uint32_t>(Le(offset, 4)); }
    std::uint64_t U64At(std::size_t offset) noexcept { return Le(offset, 8); }
    std::span<const std::uint8_t> BytesAt(std::size_t offset, std::size_t count) noexcept {
        if (!Fits(offset, count)) return {};
        return data_.subspan(offset, count);
    }

    // Fields read in turn from the cursor; a read that does not fit leaves the cursor where it was.
    std::uint8_t U8() noexcept { return static_cast<std::uint8_t>(Next(1)); }
    std::uint16_t U16() noexcept { return static_cast<std::uint16_t>(Next(2)); }
    std::uint32_t U32() noexcept { return static_cast<std::uint32_t>(Next(4)); }
    std::uint64_t U64() noexcept { return Next(8); }
    std::span<const std::uint8_t> Bytes(std::size_t count) noexcept {
        auto out = BytesAt(pos_, count);
        if (ok_) pos_ += count;
        return out;
    }
    void Skip(std::size_t count) noexcept {
        if (Fits(pos_, count)) pos_ += count;
    }

    bool ok() const noexcept { return ok_; }
    std::size_t position() const noexcept { return pos_; }
    std::size_t size() const noexcept { return data_.size(); }
    std::size_t remaining() const noexcept { return data_.size() - pos_; }

private:
    // Written so that a huge offset or count cannot wrap around.
    bool Fits(std::size_t offset, std::size_t count) noexcept {
        if (ok_ && offset <= data_.size() && count <= data_.size() - offset) return true;
        ok_ = false;
        return false;
    }
    std::uint64_t Le(std::size_t offset, std::size_t width) noexcept {
        if (!Fits(offset, width)) return 0;
        std::uint64_t v = 0;
        for (std::size_t i = width; i-- > 0;) v = (v << 8) | data_[offset + i];
        return v;
    }
    std::uint64_t Next(std::size_t width) noexcept {
        const std::uint64_t v = Le(pos_, width);
        if (ok_) pos_ += width;
        return v;
    }

    std::span<const std::uint8_t> data_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

}  // namespace ziplib
