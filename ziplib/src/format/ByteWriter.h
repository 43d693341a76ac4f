// Little-endian writes into a growing byte buffer. Records reserve their fixed part with
// Zeros() and set each field at its offset; names, extra fields and comments are appended.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

namespace ziplib {

class ByteWriter {
public:
    void U8(std::uint8_t v) { Append(v, 1); }
    void U16(std::uint16_t v) { Append(v, 2); }
    void U32(std::uint32_t v) { Append(v, 4); }
    void U64(std::uint64_t v) { Append(v, 8); }
    void Bytes(std::span<const std::uint8_t> bytes) { buf_.insert(buf_.end(), bytes.begin(), bytes.end()); }
    void Bytes(std::string_view bytes) { buf_.insert(buf_.end(), bytes.begin(), bytes.end()); }

    // Appends `count` zero bytes and returns the offset where they start.
    std::size_t Zeros(std::size_t count) {
        const std::size_t at = buf_.size();
        buf_.resize(at + count, 0);
        return at;
    }

    // Overwrites bytes already in the buffer; a field that would not lie inside it is
    // dropped and clears ok, so the buffer never grows behind the record's back.
    void PutU8(std::size_t at, std::uint8_t v) noexcept { Put(at, v, 1); }
    void PutU16(std::size_t at, std::uint16_t v) noexcept { Put(at, v, 2); }
    void PutU32(std::size_t at, std::uint32_t v) noexcept { Put(at, v, 4); }
    void PutU64(std::size_t at, std::uint64_t v) noexcept { Put(at, v, 8); }

    bool ok() const noexcept { return ok_; }
    std::size_t size() const noexcept { return buf_.size(); }
    const std::vector<std::uint8_t>& bytes() const noexcept { return buf_; }
    std::vector<std::uint8_t> Take() noexcept { return std::exchange(buf_, {}); }

private:
    void Append(std::uint64_t v, std::size_t width) {
        for (std::size_t i = 0; i < width; ++i) buf_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    void Put(std::size_t at, std::uint64_t v, std::size_t width) noexcept {
        if (at > buf_.size() || width > buf_.size() - at) {
            ok_ = false;
            return;
        }
        for (std::size_t i = 0; i < width; ++i) buf_[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }

    std::vector<std::uint8_t> buf_;
    bool ok_ = true;
};

}  // namespace ziplib
