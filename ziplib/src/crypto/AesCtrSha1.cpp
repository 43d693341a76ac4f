#include "crypto/AesCtrSha1.h"

#include "cpu/KernelChoice.h"
#include "crypto/AesKernels.h"
#include "crypto/Sha1Kernels.h"

namespace ziplib {
namespace detail {

#if defined(__x86_64__)
void AesCtrSha1Vaes512(const AesKey& key, std::uint64_t& counter, std::uint32_t sha[5], const std::uint8_t* in,
                       std::uint8_t* out, std::size_t blocks);
#endif

namespace {

void AesCtrSha1Portable(const AesKey& key, std::uint64_t& counter, std::uint32_t sha[5], const std::uint8_t* in,
                        std::uint8_t* out, std::size_t blocks) {
    // Block by block, so that in place the hash always reads ciphertext.
    for (; blocks > 0; --blocks, in += 64, out += 64) {
        Sha1CompressPortable(sha, in, 1);
        AesCtrPortable(key, counter, in, out, 4);
    }
}

}  // namespace
}  // namespace detail

std::span<const AesCtrSha1Implementation> AesCtrSha1Implementations() {
    static const AesCtrSha1Implementation kAll[] = {
        {"portable", &detail::AesCtrSha1Portable, true},
#if defined(__x86_64__)
        {"vaes-avx512+sha-ni", &detail::AesCtrSha1Vaes512, detail::CpuHasVaes512() && detail::CpuHasShaNi()},
#endif
    };
    return kAll;
}

const AesCtrSha1Implementation* ActiveAesCtrSha1Implementation() {
    static const AesCtrSha1Implementation* chosen = [] {
        const auto& k = detail::ChooseKernel(AesCtrSha1Implementations(), detail::CryptoPortableForced());
        return &k == &AesCtrSha1Implementations().front() ? nullptr : &k;
    }();
    return chosen;
}

}  // namespace ziplib
