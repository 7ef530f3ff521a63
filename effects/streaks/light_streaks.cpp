#include "effects/streaks/light_streaks.h"

#include "effects/streaks/light_streaks_kernels.h"

void applyLightStreaks(uint32_t* pixels, int32_t centreX, int32_t centreY, int32_t strength, SimdForm form)
{
#if defined(QUARNEL_X86_SIMD)
    if (form >= SimdForm::Avx2)
        return applyLightStreaksAvx2(pixels, centreX, centreY, strength);
    if (form >= SimdForm::Sse2)
        return applyLightStreaksSse2(pixels, centreX, centreY, strength);
#endif
    applyLightStreaksScalar(pixels, centreX, centreY, strength);
}
