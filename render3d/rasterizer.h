#pragma once
// The renderer's only drawing primitive: a depth-tested, single-colour
// triangle fill in 24.8 fixed point.
#include <cstdint>

#include "core/simd.h"

// A projected vertex: pixel coordinates and a depth key (smaller unsigned key
// = nearer).
struct ScreenVertex {
    int32_t x;
    int32_t y;
    int32_t depth;
};

// Coordinates, depth keys and their differences must lie strictly inside
// +-kRasterLimit so that the 8-bit fixed-point shifts fit in 32 bits.
constexpr int32_t kRasterLimit = 1 << 23;

// Rows first ... end - 1 of a target; empty when first >= end.
struct RowRange {
    int32_t first;
    int32_t end;
};

// Fills rows v[0].y ... v[2].y - 1 of the triangle after sorting the three
// records by y in place. A triangle with a coordinate, depth key or difference
// outside +-kRasterLimit is not drawn (its records are still sorted).
// When `touched` is given it is widened to cover every target row whose depth
// keys the call may have changed.
//
// Rows off the target are skipped without being visited, and spans are filled
// eight pixels at a time with the SIMD forms (see span_kernels.h and
// triangle_fill.h); the pixels, keys and record order are exactly those of
// the plain fill, which steps every row from top to bottom through one span
// function per row, edges stepped by repeated addition: columns
// min(xa, xb) ... max(xa, xb) - 1 clamped to 0 ... width - 1, depth
// interpolated from za to zb (24.8 fixed point) over the visible columns, the
// first pixel half a step in; a pixel is written when its key is below the
// stored one, unsigned.
void drawTriangle(uint32_t* target, int32_t width, int32_t height, ScreenVertex* v,
                  uint32_t color, uint32_t* depth, RowRange* touched = nullptr, SimdForm form = simdForm());
