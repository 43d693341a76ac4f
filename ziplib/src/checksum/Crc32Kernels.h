// The register-update kernels behind UpdateCRC32; each has the Crc32Kernel contract.
#pragma once

#include <cstddef>
#include <cstdint>

#include "cpu/X86Cpu.h"

namespace ziplib::detail {

// Slicing by 16 over tables made at compile time; runs everywhere.
std::uint32_t Crc32Portable(std::uint32_t crc, const std::uint8_t* data, std::size_t length);

#if defined(__x86_64__)
// Carry-less multiplication folding four 128-bit lanes (PCLMULQDQ with SSE4.1).
std::uint32_t Crc32Pclmul(std::uint32_t crc, const std::uint8_t* data, std::size_t length);
// The same with four 512-bit registers (VPCLMULQDQ with AVX-512).
std::uint32_t Crc32Vpclmul512(std::uint32_t crc, const std::uint8_t* data, std::size_t length);
#endif

}  // namespace ziplib::detail
