#include "effects/streaks/light_streaks.h"

#include "effects/streaks/light_streaks_kernels.h"

void applyLightStreaks(uint32_t* pixels, int32_t centreX, int32_t centreY, int32_t strength)
{
#if defined(QUARNEL_STREAKS_AVX2)
    if (streaksAvx2Usable()) {
        applyLightStreaksAvx2(pixels, centreX, centreY, strength);
        return;
    }
#endif
#if defined(__SSE2__)
    applyLightStreaksSse2(pixels, centreX, centreY, strength);
#else
    applyLightStreaksScalar(pixels, centreX, centreY, strength);
#endif
}
