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
    // Highway dispatches every SIMD form to the best target the processor
    // runs; "baseline" holds it to the least of them.
    if (mode && std::strcmp(mode, "baseline") == 0)
        hwy::SetSupportedTargetsForTest(lowestSimdTarget());
    return SimdForm::Simd;
}
