#include "crypto/THashDescriptor.h"

#include <array>
#include <atomic>

namespace ziplib {
namespace {

constexpr std::uint32_t kSha1Oid[] = {1, 3, 14, 3, 2, 26};

void Sha1InitContext(THashContext& ctx) { Sha1Init(ctx.sha1); }
void Sha1FinalContext(THashContext& ctx, std::uint8_t* digest) { Sha1Final(ctx.sha1, digest); }
void Sha1UpdateContext(THashContext& ctx, const void* data, std::size_t length) { Sha1Update(ctx.sha1, data, length); }

constexpr THashDescriptor kSha1{kHashSignature, kHashDescriptorSize, kHashDescriptorVersion,
                                kSha1BlockSize,  kSha1DigestSize,     &Sha1InitContext,
                                &Sha1FinalContext, &Sha1UpdateContext, kSha1HashId,
                                "SHA1",          kSha1Oid,            6};

bool Signed(const THashDescriptor* d) {
    return d && d->Signature == kHashSignature && d->DescriptorVersion == kHashDescriptorVersion &&
           d->DescriptorSize == kHashDescriptorSize;
}

using Registry = std::array<std::atomic<const THashDescriptor*>, kMaxHashId + 1>;

// Emptied at start-up, then SHA-1 in its slot.
struct Slots_ {
    Registry slots;
    Slots_() {
        for (auto& s : slots) s.store(nullptr);
        slots[kSha1HashId].store(&kSha1);
    }
};

Registry& Slots() {
    static Slots_ registry;
    return registry.slots;
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Upper(a[i]) != Upper(b[i])) return false;
    return true;
}

}  // namespace

const THashDescriptor& Sha1Descriptor() { return kSha1; }

void RegisterHash(std::uint32_t id, const THashDescriptor* descriptor) {
    if (id > kMaxHashId || !Signed(descriptor) || descriptor->AlgorithmId != id) return;
    Slots()[id].store(descriptor);
}

void UnregisterHash(std::uint32_t id) {
    if (id <= kMaxHashId) Slots()[id].store(nullptr);
}

const THashDescriptor* FindHashById(std::uint32_t id) {
    if (id > kMaxHashId) return nullptr;
    const THashDescriptor* d = Slots()[id].load();
    return Signed(d) && d->AlgorithmId == id ? d : nullptr;
}

const THashDescriptor* FindHashByName(std::string_view name) {
    name = name.substr(0, kMaxHashNameLength);
    for (std::uint32_t id = 0; id <= kMaxHashId; ++id)
        if (const THashDescriptor* d = FindHashById(id); d && SameName(d->Name, name)) return d;
    return nullptr;
}

void HashAll(const THashDescriptor* descriptor, std::uint8_t* digest, const void* data, std::size_t length) {
    if (!Signed(descriptor)) return;
    THashContext ctx;
    descriptor->Init(ctx);
    descriptor->Update(ctx, data, length);
    descriptor->Final(ctx, digest);
}

}  // namespace ziplib
