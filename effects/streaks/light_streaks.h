#pragma once
// Radial light streaks: a recursive, in-place smear of a 320 x 240 frame away
// from a centre point. Each pixel becomes a mix of its old value (55/256) and a
// bilinear sample (200/256) taken part of the way toward the centre, from
// pixels this same pass has already rewritten, so bright details leave trails
// that point away from the centre.
#include <cstdint>

#include "core/simd.h"

// Rewrites a 320 x 240 buffer in place. centreX 0..319, centreY 0..239,
// strength 0..8191 (values outside are clamped, so nothing outside the
// buffer is ever read or written). Every form gives the scalar kernel's bytes.
void applyLightStreaks(uint32_t* pixels, int32_t centreX, int32_t centreY, int32_t strength,
                       SimdForm form = simdForm());
