#pragma once
// Radial light streaks: every pixel is smeared toward or away from a centre.
#include <cstdint>

// Rewrites a 320 x 240 buffer in place. centreX 0..319, centreY 0..239,
// strength 0..8191 (values outside are clamped).
void applyLightStreaks(uint32_t* pixels, int32_t centreX, int32_t centreY, int32_t strength);
