#include "core/simd.h"

#include <cstdlib>
#include <cstring>

SimdForm detectSimdForm()
{
#if defined(QUARNEL_X86_SIMD)
    const char* mode = std::getenv("QUARNEL_SIMD");
    if (mode && std::strcmp(mode, "sse2") == 0)
        return SimdForm::Sse2;
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2"))
        return SimdForm::Avx2;
    if (__builtin_cpu_supports("avx"))
        return SimdForm::Avx;
    return SimdForm::Sse2;
#else
    return SimdForm::Plain;
#endif
}
