#pragma once
// The two implementations behind subtractPixels and crossFadePixels. The
// scalar kernels are the reference and exist on every platform; the SSE2
// kernels must produce the same bytes, which the tests check on random data
// and on every tail length.
#include <cstdint>

#include "core/simd.h"

void subtractPixelsScalar(uint32_t* dst, const uint32_t* src, int count);
void crossFadePixelsScalar(uint32_t* dst, const uint32_t* src, int count, uint32_t factor);

#if defined(QUARNEL_X86_SIMD)
void subtractPixelsSse2(uint32_t* dst, const uint32_t* src, int count);
void crossFadePixelsSse2(uint32_t* dst, const uint32_t* src, int count, uint32_t factor);
#endif
