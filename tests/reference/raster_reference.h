#pragma once
// The plain forms of the rasterizer that the program's fill is held to:
// the triangle walked row by row from top to bottom, edges stepped by
// repeated addition, every row through drawSpan; and the span fill of a form.
#include <cstdint>

#include "core/simd.h"
#include "render3d/rasterizer.h"

void drawTriangleReference(uint32_t* target, int32_t width, int32_t height, ScreenVertex* v, uint32_t color,
                           uint32_t* depth);

// One row: columns min(xa, xb) ... max(xa, xb) - 1 clamped to 0 ... width - 1,
// depth interpolated from za to zb (24.8 fixed point) over the visible columns.
// A pixel is written when its key is below the stored one, unsigned.
void drawSpan(uint32_t* target, int32_t width, int32_t height, int32_t xa, int32_t xb, int32_t y, int32_t za,
              int32_t zb, uint32_t color, uint32_t* depth);

// Pixels xl ... xl + n - 1 of a row of `width` pixels at rowPixels / rowKeys
// (0 <= xl, 1 <= n, xl + n <= width) through the span fill of `form`.
void fillSpanWith(SimdForm form, uint32_t* rowPixels, uint32_t* rowKeys, int32_t width, int32_t xl, int32_t n,
                  uint32_t z, uint32_t dz, uint32_t color);
