#pragma once
// Whole-buffer blends of a source layer into a destination, one byte lane at
// a time over all four bytes of each pixel. A count of 0 or less does nothing.
#include <cstdint>

#include "core/simd.h"

// dst.b = max(dst.b - src.b, 0) in every byte lane.
void subtractPixels(uint32_t* dst, const uint32_t* src, int count, SimdForm form = simdForm());

// dst.b = (src.b * f + dst.b * (255 - f)) >> 8 with f = factor & 0xFF.
void crossFadePixels(uint32_t* dst, const uint32_t* src, int count, uint32_t factor,
                     SimdForm form = simdForm());
