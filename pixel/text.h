#pragma once
// Anti-aliased text stamped into a 32-bit pixel buffer.
#include <cstdint>

#include "pixel/glyph_source.h"

// Draws one line of code page 1252 text with the top-left of its first
// character cell at (x, y). fontHeight is the cell height in pixels (ascent
// plus descent, internal leading included). Coverage mixes colour (0x00RRGGBB,
// top byte ignored) over the buffer's pixels; no background; clipped to the
// buffer, so x and y may be negative or past its edges. The letters come
// from glyphs, which picks the face by name and cell height. Every pixel of the buffer comes back with its colour kept and
// its top byte 0, even when nothing is drawn (empty text, a fontHeight of 0
// or less, no usable font). Not for the per-frame path: the first use of a
// face name and height loads the face.
void stampText(GlyphSource& glyphs, uint32_t* buffer, int x, int y, int width, int height, const char* faceName,
               const char* text, int fontHeight, uint32_t colour);
