#pragma once
// Whether a kernel may take its AVX or AVX2 form. Those forms exist only for
// the hottest paths and give exactly the bytes of the SSE2 (or plain) forms;
// they are used when the processor and the operating system support the
// instruction set, unless QUARNEL_SIMD=sse2 is set in the environment, which
// keeps every kernel on its baseline form so that the forms can be compared
// on one machine.
//
// Include this before raising the instruction set in a file: these inline
// functions must be built for the baseline.
#include <cstdlib>
#include <cstring>

enum class CpuFeature { Avx, Avx2 };

inline bool cpuHas(CpuFeature feature)
{
#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
    __builtin_cpu_init();
    return feature == CpuFeature::Avx ? __builtin_cpu_supports("avx") : __builtin_cpu_supports("avx2");
#else
    (void)feature;
    return false;
#endif
}

// Whether the environment leaves the wider forms on.
inline bool widerSimdAllowed()
{
    const char* mode = std::getenv("QUARNEL_SIMD");
    return !(mode && std::strcmp(mode, "sse2") == 0);
}

// Worked out once: the rasterizer asks for every triangle and the tunnel for
// every row of blocks, and neither the processor nor the environment changes
// while the program runs.
inline bool mayUse(CpuFeature feature)
{
    static const bool avx = widerSimdAllowed() && cpuHas(CpuFeature::Avx);
    static const bool avx2 = widerSimdAllowed() && cpuHas(CpuFeature::Avx2);
    return feature == CpuFeature::Avx ? avx : avx2;
}
