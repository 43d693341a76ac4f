// Shared by the carry-less-multiply kernels: the end of a run once it is down to one 128-bit lane.
#pragma once

#include <immintrin.h>

#include <cstddef>
#include <cstdint>

namespace ziplib::detail {

// `lane` stands for all data before `p` (register folded in); folds the whole 16-byte blocks
// that follow and finishes the last bytes with the table method.
__attribute__((target("pclmul,sse4.1"))) std::uint32_t FinishFromLane(__m128i lane, const std::uint8_t* p,
                                                                      std::size_t n);

}  // namespace ziplib::detail
