#include "core/simd.h"

#include <hwy/targets.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// The least capable SIMD target both compiled in and run by this processor;
// Highway's scalar emulation when there is none.
int64_t lowestSimdTarget()
{
    int64_t lowest = HWY_STATIC_TARGET;
    for (int64_t target : hwy::SupportedAndGeneratedTargets())
        if (target != HWY_EMU128 && target != HWY_SCALAR)
            lowest = target;  // listed from the most capable down
    return lowest;
}

}  // namespace

SimdForm detectSimdForm()
{
    const char* mode = std::getenv("QUARNEL_SIMD");
    if (mode && std::strcmp(mode, "plain") == 0)
        return SimdForm::Plain;
    const bool baseline = mode && std::strcmp(mode, "baseline") == 0;
    if (baseline)
        hwy::SetSupportedTargetsForTest(lowestSimdTarget());
#if defined(QUARNEL_X86_SIMD)
    if (baseline)
        return SimdForm::Sse2;
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2"))
        return SimdForm::Avx2;
    if (__builtin_cpu_supports("avx"))
        return SimdForm::Avx;
    return SimdForm::Sse2;
#else
    return SimdForm::Sse2;
#endif
}
