// Multipliers of the carry-less-multiply kernels, computed by the compiler from the polynomial.
//
// A 128-bit lane of reflected data holds a polynomial whose first (low) 64-bit half carries the
// higher powers. Moving a lane D bits further along the message multiplies it by x^D; reduced
// modulo P, the low half needs x^(D+32) mod P and the high half x^(D-32) mod P. The extra x^32
// and the left shift by one make up for where a carry-less product of reflected operands lands.
#pragma once

#include <cstdint>

namespace ziplib::detail {

// x^n mod P(x) in normal bit order (bit i is the coefficient of x^i), P = 0x04C11DB7 plus x^32.
constexpr std::uint32_t XPowModP(unsigned n) {
    std::uint32_t r = 1;
    for (unsigned i = 0; i < n; ++i) r = (r & 0x80000000u) ? (r << 1) ^ 0x04C11DB7u : r << 1;
    return r;
}

constexpr std::uint32_t Reflect32(std::uint32_t v) {
    std::uint32_t r = 0;
    for (int i = 0; i < 32; ++i) r |= ((v >> i) & 1u) << (31 - i);
    return r;
}

constexpr std::uint64_t FoldMultiplier(unsigned n) { return std::uint64_t{Reflect32(XPowModP(n))} << 1; }

// The pair for moving a lane by `bits`: low half's multiplier first, high half's second.
struct FoldPair {
    std::uint64_t low, high;
};
constexpr FoldPair FoldBy(unsigned bits) { return {FoldMultiplier(bits + 32), FoldMultiplier(bits - 32)}; }

// x^32 mod P reflected is the reflected polynomial itself: a cheap check of the bit order above.
static_assert(FoldMultiplier(32) == std::uint64_t{0xEDB88320u} << 1);

}  // namespace ziplib::detail
