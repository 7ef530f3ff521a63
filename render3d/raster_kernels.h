#pragma once
// The instruction sets the fast triangle fill can run with, for the tests
// that compare each against the plain fill. drawTriangle picks the best one
// the processor has.
#include <cstdint>

#include "render3d/rasterizer.h"

enum class RasterKernel { Plain, Sse2, Avx2 };

// Whether this build and this processor can run the kernel.
bool rasterKernelUsable(RasterKernel kernel);

// drawTriangle with the given span fill (which must be usable).
void drawTriangleWith(RasterKernel kernel, uint32_t* target, int32_t width, int32_t height, ScreenVertex* v,
                      uint32_t color, uint32_t* depth, RowRange* touched = nullptr);

// One span through the given fill: pixels xl ... xl + n - 1 of a row of
// `width` pixels at rowPixels / rowKeys (0 <= xl, 1 <= n, xl + n <= width),
// pixel i keyed int32(z + i*dz) >> 8.
void fillSpanWith(RasterKernel kernel, uint32_t* rowPixels, uint32_t* rowKeys, int32_t width, int32_t xl,
                  int32_t n, uint32_t z, uint32_t dz, uint32_t color);

#if defined(__x86_64__) || defined(__i386__)
#if defined(__GNUC__) || defined(__clang__)
#define QUARNEL_RASTER_AVX2 1
// The AVX2 forms, built with that instruction set for this function alone
// (rasterizer_avx2.cpp); call only when the processor has it.
void fillSortedTriangleAvx2(uint32_t* target, int32_t width, int32_t height, const ScreenVertex* v,
                            uint32_t color, uint32_t* depth, int32_t xMin, int32_t xMax);
void fillSpanAvx2Entry(uint32_t* rowPixels, uint32_t* rowKeys, int32_t width, int32_t xl, int32_t n, uint32_t z,
                       uint32_t dz, uint32_t color);
#endif
#endif
