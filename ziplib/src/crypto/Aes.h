// AES (FIPS-197) for 128-, 192- and 256-bit keys: the key schedule, blocks, and counter mode with
// the little-endian 64-bit block counter of ZIP's AES items. The bulk work runs through the
// fastest implementation this CPU has; every implementation gives the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace ziplib {

inline constexpr std::size_t kAesBlockSize = 16;
inline constexpr std::size_t kAesMaxKeySize = 32;

// Round keys as bytes in the standard order: `enc` for encryption, `dec` for the equivalent
// inverse cipher (reversed, InvMixColumns applied to the inner ones). 480 bytes, what the cipher
// keeps as its private data.
struct AesRoundKeys {
    alignas(16) std::uint8_t enc[15][kAesBlockSize];
    alignas(16) std::uint8_t dec[15][kAesBlockSize];
};

struct AesKey {
    AesRoundKeys keys;
    int rounds = 0;  // 10, 12 or 14
};

// Expands a key of up to 32 bytes: 10 rounds for at most 16 bytes, 12 for at most 24, else 14;
// a shorter key is zero-padded to that length. Longer keys are cut at 32 bytes.
void AesExpandKey(AesKey& out, const std::uint8_t* key, std::size_t length);

// One implementation of the block work; `in` and `out` may be the same buffer.
struct AesImplementation {
    std::string_view name;
    void (*encrypt)(const AesKey& key, const std::uint8_t* in, std::uint8_t* out, std::size_t blocks);
    void (*decrypt)(const AesKey& key, const std::uint8_t* in, std::uint8_t* out, std::size_t blocks);
    // Counter mode over whole blocks: for each block the counter is first incremented, then its
    // 16-byte block (the counter little-endian in bytes 0-7, zeros after) is encrypted and xored in.
    void (*ctr)(const AesKey& key, std::uint64_t& counter, const std::uint8_t* in, std::uint8_t* out,
                std::size_t blocks);
    bool supported;  // this CPU can run it
};

// Every implementation built into the library, the portable one first, faster ones after it.
std::span<const AesImplementation> AesImplementations();

// The implementation the library uses: chosen on first use and kept for the life of the process.
const AesImplementation& ActiveAesImplementation();

// Makes that choice afresh: the last supported implementation, or the portable one when the
// environment variable ZIPLIB_FORCE_PORTABLE_CRYPTO is set to anything but "" or "0".
const AesImplementation& ChooseAesImplementation();

}  // namespace ziplib
