// What the CPU and the operating system let the kernels use. Each answer costs a CPUID, so the
// callers ask once and cache the kernel they choose.
#pragma once

#if defined(__x86_64__)

namespace ziplib::detail {

bool CpuHasPclmul();      // PCLMULQDQ with SSE4.1
bool CpuHasVpclmul512();  // VPCLMULQDQ on 512-bit registers (AVX-512F/VL), saved by the OS
bool CpuHasAesni();       // AES-NI with SSE4.1
bool CpuHasVaes512();     // VAES on 512-bit registers (AVX-512F), saved by the OS
bool CpuHasShaNi();       // the SHA extensions with SSE4.1
bool CpuHasAvx2();        // AVX2, its registers saved by the OS
bool CpuHasAvx512();      // AVX-512 F, BW and VL, saved by the OS

}  // namespace ziplib::detail

#endif
