#pragma once
// The two full-screen pictures of the default data set, drawn in code into
// 320 x 240 buffers of 0x00RRGGBB pixels (top row first). Both are
// deterministic: the same pixels on every run.
#include <cstdint>

#include "pixel/glyph_source.h"

constexpr int kPictureWidth = 320;
constexpr int kPictureHeight = 240;
constexpr int kPicturePixels = kPictureWidth * kPictureHeight;

// The credits: title and credit lines in bold white on black. Subtracted from
// a frame, it darkens the frame in the shape of the text. The letters come
// from glyphs.
void drawCreditsPicture(GlyphSource& glyphs, uint32_t* pixels);

// A total eclipse over a mountain silhouette: a black disc inside a blazing
// corona with rays, a glowing horizon. Hard light against hard dark.
void drawVelinaPicture(uint32_t* pixels);
