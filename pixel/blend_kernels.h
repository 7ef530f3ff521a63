#pragma once
// The two forms behind subtractPixels and crossFadePixels. The scalar
// kernels are the reference; the SIMD kernels must produce the same bytes,
// which the tests check on random data and on every tail length.
#include <cstdint>


void subtractPixelsScalar(uint32_t* dst, const uint32_t* src, int count);
void crossFadePixelsScalar(uint32_t* dst, const uint32_t* src, int count, uint32_t factor);

void subtractPixelsSimd(uint32_t* dst, const uint32_t* src, int count);
void crossFadePixelsSimd(uint32_t* dst, const uint32_t* src, int count, uint32_t factor);
