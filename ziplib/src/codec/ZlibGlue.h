// The layer between the item data engine and zlib: its exceptions, the two result checks, and
// the zlib stream header of a compression mode.
#pragma once

#include <cstdint>
#include <stdexcept>

namespace ziplib {

// A failure reported by zlib. zlib's own codes are not kept: every failure reads "error".
class EZlibError : public std::runtime_error {
public:
    EZlibError() : std::runtime_error("error") {}
};

class ECompressionError : public EZlibError {};
class EDecompressionError : public EZlibError {};

// Return zlib's result when it is 0 or more (end of stream included); a negative one raises.
int CCheck(int result);  // ECompressionError, for deflate set-up, deflate and deflate end
int DCheck(int result);  // EDecompressionError, for inflate set-up

// The two-byte zlib stream header for a compression mode 0-9, first byte in the low half;
// 0 for any other mode. Items hold raw deflate data without it; it exists for callers that
// hand an item's data to a zlib-wrapped inflate.
std::uint16_t ZlibHeaderForMode(int mode);

}  // namespace ziplib
