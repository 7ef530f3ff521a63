#pragma once
// The SIMD forms of the triangle fill and of its span fill
// (rasterizer_simd.cpp).
#include <cstdint>

#include "render3d/rasterizer.h"

// The rows of a triangle prepared by drawTriangle (sorted by y, within the
// limit, xMin and xMax its least and greatest x).
void fillSortedTriangleSimd(uint32_t* target, int32_t width, int32_t height, const ScreenVertex* v,
                            uint32_t color, uint32_t* depth, int32_t xMin, int32_t xMax);
// Pixels xl ... xl + n - 1 of a row of `width` pixels at rowPixels / rowKeys
// (0 <= xl, 1 <= n, xl + n <= width), as span_kernels.h describes.
void fillSpanSimd(uint32_t* rowPixels, uint32_t* rowKeys, int32_t width, int32_t xl, int32_t n, uint32_t z,
                  uint32_t dz, uint32_t color);
