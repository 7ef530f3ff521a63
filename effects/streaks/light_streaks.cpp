#include "effects/streaks/light_streaks.h"

#include "effects/streaks/light_streaks_kernels.h"

void applyLightStreaks(uint32_t* pixels, int32_t centreX, int32_t centreY, int32_t strength, SimdForm form)
{
    if (form != SimdForm::Plain)
        return applyLightStreaksSimd(pixels, centreX, centreY, strength);
    applyLightStreaksScalar(pixels, centreX, centreY, strength);
}
