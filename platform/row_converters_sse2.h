#pragma once
// The packed row kernels behind the five common converters. Like the kernels
// they replace they take (destination, source, amount); the amount is a byte
// count for the block copy and a pixel count for the others. Only built where
// SSE2 exists; the converters fall back to their scalar twins elsewhere.
#include <cstdint>

#include "core/simd.h"

#if defined(QUARNEL_X86_SIMD)
void copyBlocksSse2(uint8_t* dst, const uint32_t* src, int32_t bytes);
void pack24Sse2(uint8_t* dst, const uint32_t* src, int32_t count);
void packRgb565Sse2(uint8_t* dst, const uint32_t* src, int32_t count);
void packBgr565Sse2(uint8_t* dst, const uint32_t* src, int32_t count);
void packRgb555Sse2(uint8_t* dst, const uint32_t* src, int32_t count);
void packBgr555Sse2(uint8_t* dst, const uint32_t* src, int32_t count);
#endif
