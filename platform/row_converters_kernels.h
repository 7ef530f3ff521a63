#pragma once
// The two forms behind the five common row converters. The plain kernels
// state each layout pixel by pixel and are the reference; the SIMD kernels
// must write the same bytes, which the tests check at every count.
#include <cstdint>

void convertRgb32Scalar(const uint32_t* src, uint8_t* dst, int32_t count);
void convertRgb24Scalar(const uint32_t* src, uint8_t* dst, int32_t count);
void convertRgb565Scalar(const uint32_t* src, uint8_t* dst, int32_t count);
void convertBgr565Scalar(const uint32_t* src, uint8_t* dst, int32_t count);
void convertRgb555Scalar(const uint32_t* src, uint8_t* dst, int32_t count);
void convertBgr555Scalar(const uint32_t* src, uint8_t* dst, int32_t count);

void convertRgb32Simd(const uint32_t* src, uint8_t* dst, int32_t count);
void convertRgb24Simd(const uint32_t* src, uint8_t* dst, int32_t count);
void convertRgb565Simd(const uint32_t* src, uint8_t* dst, int32_t count);
void convertBgr565Simd(const uint32_t* src, uint8_t* dst, int32_t count);
void convertRgb555Simd(const uint32_t* src, uint8_t* dst, int32_t count);
void convertBgr555Simd(const uint32_t* src, uint8_t* dst, int32_t count);
