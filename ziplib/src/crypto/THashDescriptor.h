// Hash descriptors and their registry: the hash functions the HMAC and PBKDF2 code can run, found
// by id or by name. SHA-1 is registered under id 3 from the start.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "crypto/Sha1.h"

namespace ziplib {

// The running state of any registered hash.
struct THashContext {
    Sha1Context sha1;
};

inline constexpr std::uint16_t kHashSignature = 0x3D7A;
inline constexpr std::uint16_t kHashDescriptorSize = 80;
inline constexpr std::uint32_t kHashDescriptorVersion = 0x00010003;
inline constexpr std::uint32_t kMaxHashId = 8;
inline constexpr std::uint32_t kSha1HashId = 3;
inline constexpr std::size_t kMaxHashNameLength = 19;
inline constexpr std::size_t kMaxHashBlockLength = 128;

struct THashDescriptor {
    std::uint16_t Signature = 0;
    std::uint16_t DescriptorSize = 0;
    std::uint32_t DescriptorVersion = 0;
    std::uint16_t BlockLength = 0;   // bytes
    std::uint16_t DigestLength = 0;  // bytes
    void (*Init)(THashContext& ctx) = nullptr;
    void (*Final)(THashContext& ctx, std::uint8_t* digest) = nullptr;
    void (*Update)(THashContext& ctx, const void* data, std::size_t length) = nullptr;
    std::uint32_t AlgorithmId = 0;
    std::string_view Name;  // at most 19 characters
    const std::uint32_t* Oid = nullptr;
    std::uint16_t OidArcs = 0;
};

// SHA-1's descriptor: block 64, digest 20, id 3, name "SHA1", object identifier 1.3.14.3.2.26.
const THashDescriptor& Sha1Descriptor();

// Stores the descriptor in slot `id` when the id is at most 8 and equals the descriptor's own,
// and its signature, version and size are right; does nothing otherwise.
void RegisterHash(std::uint32_t id, const THashDescriptor* descriptor);
// Empties slot `id` (nothing for an id above 8): the registry keeps only a pointer, so a
// descriptor that does not live as long as the process is taken out before it goes.
void UnregisterHash(std::uint32_t id);
// nullptr for an id above 8, an empty slot, or a descriptor that fails the checks.
const THashDescriptor* FindHashById(std::uint32_t id);
// The first registered descriptor, by id, whose name equals `name` cut to 19 characters,
// ASCII letters compared without case; nullptr if none.
const THashDescriptor* FindHashByName(std::string_view name);
// Init, update and final in one call; nothing for a null or unsigned descriptor.
void HashAll(const THashDescriptor* descriptor, std::uint8_t* digest, const void* data, std::size_t length);

}  // namespace ziplib
