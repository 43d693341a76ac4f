// The kernels behind AesImplementation; each has the contract of its slot there.
#pragma once

#include <cstddef>
#include <cstdint>

#include "cpu/X86Cpu.h"
#include "crypto/CryptoDispatch.h"
#include "crypto/Aes.h"

namespace ziplib::detail {

// Lookup tables made at compile time; runs everywhere.
void AesEncryptPortable(const AesKey& key, const std::uint8_t* in, std::uint8_t* out, std::size_t blocks);
void AesDecryptPortable(const AesKey& key, const std::uint8_t* in, std::uint8_t* out, std::size_t blocks);
void AesCtrPortable(const AesKey& key, std::uint64_t& counter, const std::uint8_t* in, std::uint8_t* out,
                    std::size_t blocks);

#if defined(__x86_64__)
// AES-NI, eight blocks in flight.
void AesEncryptAesni(const AesKey& key, const std::uint8_t* in, std::uint8_t* out, std::size_t blocks);
void AesDecryptAesni(const AesKey& key, const std::uint8_t* in, std::uint8_t* out, std::size_t blocks);
void AesCtrAesni(const AesKey& key, std::uint64_t& counter, const std::uint8_t* in, std::uint8_t* out,
                 std::size_t blocks);
// VAES on 512-bit registers, four blocks a register; single blocks go through AES-NI.
void AesCtrVaes512(const AesKey& key, std::uint64_t& counter, const std::uint8_t* in, std::uint8_t* out,
                   std::size_t blocks);
#endif

}  // namespace ziplib::detail
