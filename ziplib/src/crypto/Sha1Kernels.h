// The kernels behind Sha1Implementation; each has the contract of its slot there.
#pragma once

#include <cstddef>
#include <cstdint>

#include "crypto/Sha1.h"
#include "cpu/X86Cpu.h"
#include "crypto/CryptoDispatch.h"

namespace ziplib::detail {

void Sha1CompressPortable(std::uint32_t state[5], const std::uint8_t* blocks, std::size_t count);
void Sha1HmacChainPortable(const Sha1HmacPads& pads, std::uint32_t (*u)[5], std::uint32_t (*t)[5],
                           std::size_t lanes, std::uint32_t rounds);
// The messages one after the other through the portable compression.
void Sha1CompressManyPortable(std::uint32_t (*states)[5], const std::uint8_t* const* messages, std::size_t count,
                              std::size_t blocks);

#if defined(__x86_64__)
// The SHA extensions (SHA1RNDS4 and its message helpers).
void Sha1CompressShaNi(std::uint32_t state[5], const std::uint8_t* blocks, std::size_t count);
void Sha1HmacChainShaNi(const Sha1HmacPads& pads, std::uint32_t (*u)[5], std::uint32_t (*t)[5], std::size_t lanes,
                        std::uint32_t rounds);
void Sha1CompressManyShaNi(std::uint32_t (*states)[5], const std::uint8_t* const* messages, std::size_t count,
                           std::size_t blocks);
// A message in each 32-bit lane of a register: eight with AVX2, sixteen with AVX-512.
void Sha1CompressAvx2(std::uint32_t (*states)[5], const std::uint8_t* const* messages, std::size_t count,
                      std::size_t blocks);
void Sha1HmacChainAvx2(const Sha1HmacPads& pads, std::uint32_t (*u)[5], std::uint32_t (*t)[5], std::size_t lanes,
                       std::uint32_t rounds);
void Sha1CompressAvx512(std::uint32_t (*states)[5], const std::uint8_t* const* messages, std::size_t count,
                        std::size_t blocks);
void Sha1HmacChainAvx512(const Sha1HmacPads& pads, std::uint32_t (*u)[5], std::uint32_t (*t)[5], std::size_t lanes,
                         std::uint32_t rounds);
#endif

}  // namespace ziplib::detail
