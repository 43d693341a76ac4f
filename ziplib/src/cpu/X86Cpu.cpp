// What the CPU and the operating system let the kernels use. Read once per process by each
// caller that caches a kernel choice.
#if defined(__x86_64__)

#include <cpuid.h>

#include <cstdint>

#include "cpu/X86Cpu.h"

namespace ziplib::detail {
namespace {

struct Leaf {
    unsigned a = 0, b = 0, c = 0, d = 0;
    bool ok = false;
};

Leaf Cpuid(unsigned leaf, unsigned sub) {
    Leaf r;
    r.ok = __get_cpuid_count(leaf, sub, &r.a, &r.b, &r.c, &r.d) != 0;
    return r;
}

// The register state the OS saves on a context switch; wide registers are usable only if it does.
std::uint64_t EnabledStateMask() {
    unsigned lo, hi;
    __asm__ volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
    return (std::uint64_t{hi} << 32) | lo;
}

constexpr unsigned kEcx1Pclmul = 1u << 1, kEcx1Ssse3 = 1u << 9, kEcx1Sse41 = 1u << 19, kEcx1Aes = 1u << 25,
                   kEcx1Osxsave = 1u << 27, kEcx1Avx = 1u << 28;
constexpr unsigned kEbx7Avx2 = 1u << 5, kEbx7Avx512f = 1u << 16, kEbx7Sha = 1u << 29, kEbx7Avx512bw = 1u << 30,
                   kEbx7Avx512vl = 1u << 31, kEcx7Vaes = 1u << 9, kEcx7Vpclmul = 1u << 10;
// SSE and AVX; with them the opmask and the upper halves of ZMM0-15 and ZMM16-31.
constexpr std::uint64_t kYmmState = 0x02 | 0x04;
constexpr std::uint64_t kZmmState = kYmmState | 0x20 | 0x40 | 0x80;

bool OsSavesYmm() {
    const Leaf l1 = Cpuid(1, 0);
    return l1.ok && (l1.c & kEcx1Osxsave) && (l1.c & kEcx1Avx) && (EnabledStateMask() & kYmmState) == kYmmState;
}

bool OsSavesZmm() {
    const Leaf l1 = Cpuid(1, 0);
    return l1.ok && (l1.c & kEcx1Osxsave) && (EnabledStateMask() & kZmmState) == kZmmState;
}

}  // namespace

bool CpuHasPclmul() {
    const Leaf l1 = Cpuid(1, 0);
    return l1.ok && (l1.c & kEcx1Pclmul) && (l1.c & kEcx1Sse41);
}

bool CpuHasVpclmul512() {
    if (!CpuHasPclmul() || !OsSavesZmm()) return false;
    const Leaf l7 = Cpuid(7, 0);
    return l7.ok && (l7.b & kEbx7Avx512f) && (l7.b & kEbx7Avx512vl) && (l7.c & kEcx7Vpclmul);
}

bool CpuHasAesni() {
    const Leaf l1 = Cpuid(1, 0);
    return l1.ok && (l1.c & kEcx1Aes) && (l1.c & kEcx1Sse41) && (l1.c & kEcx1Ssse3);
}

bool CpuHasVaes512() {
    if (!CpuHasAesni() || !OsSavesZmm()) return false;
    const Leaf l7 = Cpuid(7, 0);
    return l7.ok && (l7.b & kEbx7Avx512f) && (l7.b & kEbx7Avx512vl) && (l7.c & kEcx7Vaes);
}

bool CpuHasShaNi() {
    const Leaf l1 = Cpuid(1, 0);
    if (!l1.ok || !(l1.c & kEcx1Sse41) || !(l1.c & kEcx1Ssse3)) return false;
    const Leaf l7 = Cpuid(7, 0);
    return l7.ok && (l7.b & kEbx7Sha);
}

bool CpuHasAvx2() {
    if (!OsSavesYmm()) return false;
    const Leaf l7 = Cpuid(7, 0);
    return l7.ok && (l7.b & kEbx7Avx2);
}

bool CpuHasAvx512() {
    if (!OsSavesZmm()) return false;
    const Leaf l7 = Cpuid(7, 0);
    return l7.ok && (l7.b & kEbx7Avx512f) && (l7.b & kEbx7Avx512bw) && (l7.b & kEbx7Avx512vl);
}

}  // namespace ziplib::detail

#endif
