#pragma once
// Plain per-pixel twins of the packed row converters. They are compiled on
// every platform: they are the converters where SSE2 is missing, and tests and
// benchmarks hold the packed kernels against them byte for byte.
#include <cstdint>

void convertRgb32Scalar(const uint32_t* src, uint8_t* dst, int32_t count);
void convertRgb24Scalar(const uint32_t* src, uint8_t* dst, int32_t count);
void convertRgb565Scalar(const uint32_t* src, uint8_t* dst, int32_t count);
void convertBgr565Scalar(const uint32_t* src, uint8_t* dst, int32_t count);
void convertRgb555Scalar(const uint32_t* src, uint8_t* dst, int32_t count);
void convertBgr555Scalar(const uint32_t* src, uint8_t* dst, int32_t count);
