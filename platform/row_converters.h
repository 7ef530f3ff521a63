#pragma once
// Row converters from Framebuffer pixels (0x00RRGGBB) into the eight display
// layouts the program accepts. Each writes exactly count pixels.
#include <cstdint>

using RowConverter = void (*)(const uint32_t* src, uint8_t* dst, int32_t count);

// The converter for an exact match of bit count and masks, or null.
RowConverter chooseConverter(uint32_t bitCount, uint32_t redMask, uint32_t greenMask, uint32_t blueMask);

void convertRgb32(const uint32_t* src, uint8_t* dst, int32_t count);
void convertBgr32(const uint32_t* src, uint8_t* dst, int32_t count);
void convertRgb24(const uint32_t* src, uint8_t* dst, int32_t count);
void convertBgr24(const uint32_t* src, uint8_t* dst, int32_t count);
void convertRgb565(const uint32_t* src, uint8_t* dst, int32_t count);
void convertBgr565(const uint32_t* src, uint8_t* dst, int32_t count);
void convertRgb555(const uint32_t* src, uint8_t* dst, int32_t count);
void convertBgr555(const uint32_t* src, uint8_t* dst, int32_t count);
