// SHA-1 of FIPS 180. The block compression runs through the fastest implementation this CPU has;
// every implementation gives the same state.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace ziplib {

inline constexpr std::size_t kSha1BlockSize = 64;
inline constexpr std::size_t kSha1DigestSize = 20;

using Sha1Digest = std::array<std::uint8_t, kSha1DigestSize>;

// The running hash: five state words, the message length in bits as two words, and the block
// being filled.
struct Sha1Context {
    std::uint32_t state[5] = {};
    std::uint32_t bitsLow = 0;
    std::uint32_t bitsHigh = 0;
    std::uint8_t block[kSha1BlockSize] = {};
    std::uint32_t fill = 0;
};

void Sha1Init(Sha1Context& ctx);
void Sha1Update(Sha1Context& ctx, const void* data, std::size_t length);
// Pads, appends the length and writes the digest; the context must be initialised again before
// it hashes anything else.
void Sha1Final(Sha1Context& ctx, std::uint8_t* digest);
Sha1Digest Sha1Of(std::span<const std::uint8_t> data);
// For kernels that run whole blocks through ctx.state themselves while no partial block is held
// (ctx.fill is 0): adds their bytes to the message length.
void Sha1CountBlocks(Sha1Context& ctx, std::size_t blocks);

// The two states of an HMAC-SHA1 key after its inner and outer pad blocks: what every HMAC
// under that key starts from, so the pads are hashed once per key.
struct Sha1HmacPads {
    std::uint32_t inner[5];
    std::uint32_t outer[5];
};

// One implementation of the hot loops.
struct Sha1Implementation {
    std::string_view name;
    // Runs `count` whole blocks through the state.
    void (*compress)(std::uint32_t state[5], const std::uint8_t* blocks, std::size_t count);
    // PBKDF2's inner loop on `lanes` independent output blocks: `rounds` times each U becomes
    // HMAC(key, U) and is xored into its T. U and T are digests as five big-endian words.
    void (*hmacChain)(const Sha1HmacPads& pads, std::uint32_t (*u)[5], std::uint32_t (*t)[5], std::size_t lanes,
                      std::uint32_t rounds);
    bool supported;  // this CPU can run it
};

// Every implementation built into the library, the portable one first, faster ones after it.
std::span<const Sha1Implementation> Sha1Implementations();

// One implementation of SHA-1 over independent messages side by side, a message a lane: what
// many key derivations with one password need at once.
struct Sha1MultiImplementation {
    std::string_view name;
    std::size_t lanes;  // messages one pass runs together; fewer cost as much as that many
    // Runs `blocks` whole blocks of each of `count` messages through that message's state:
    // message l starts at messages[l] and its state is states[l]. Any count; `lanes` at a time.
    void (*compress)(std::uint32_t (*states)[5], const std::uint8_t* const* messages, std::size_t count,
                     std::size_t blocks);
    // As Sha1Implementation::hmacChain, `lanes` output blocks a pass.
    void (*hmacChain)(const Sha1HmacPads& pads, std::uint32_t (*u)[5], std::uint32_t (*t)[5], std::size_t lanes,
                      std::uint32_t rounds);
    bool supported;  // this CPU can run it
};

// Every multi-message implementation, the portable one first, faster ones after it.
std::span<const Sha1MultiImplementation> Sha1MultiImplementations();
// Chosen, and forced to the portable one, as ActiveSha1Implementation is.
const Sha1MultiImplementation& ActiveSha1MultiImplementation();
const Sha1MultiImplementation& ChooseSha1MultiImplementation();

// The implementation the library uses: chosen on first use and kept for the life of the process.
const Sha1Implementation& ActiveSha1Implementation();

// Makes that choice afresh: the last supported implementation, or the portable one when the
// environment variable ZIPLIB_FORCE_PORTABLE_CRYPTO is set to anything but "" or "0".
const Sha1Implementation& ChooseSha1Implementation();

}  // namespace ziplib
