#pragma once
// Matching SDL pixel formats with the display layouts the row converters write.
#include <SDL.h>

#include <cstdint>

#include "platform/pixel_layouts.h"

// The layout an SDL texture of that format stores, or null when no converter
// writes it (YUV, palettes, 10-bit channels, ...). The bit count compared is
// the size of a pixel in memory: SDL calls XRGB8888 a 24-bit format and
// RGB555 a 15-bit one, where the converters' table has 32 and 16.
const PixelLayout* layoutForSdlFormat(uint32_t format);

// The SDL format of a layout, found from its masks.
uint32_t sdlFormatForLayout(const PixelLayout& layout);

// The texture format to use among those a renderer offers: the first with a
// converter among the 32-bit ones, else the 24-bit, else the 16-bit ones.
// SDL_PIXELFORMAT_UNKNOWN when none fits.
uint32_t chooseTextureFormat(const SDL_RendererInfo& info);
