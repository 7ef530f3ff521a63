#pragma once
// Anti-aliased text stamped into a 32-bit pixel buffer.
#include <cstdint>

// Draws one line of code page 1252 text with the top-left of its first
// character cell at (x, y). fontHeight is the cell height in pixels (ascent
// plus descent, internal leading included). Coverage mixes colour (0x00RRGGBB,
// top byte ignored) over the buffer's pixels; no background; clipped to the
// buffer. Every pixel of the buffer comes back with its top byte 0.
void stampText(uint32_t* buffer, int x, int y, int width, int height, const char* faceName,
               const char* text, int fontHeight, uint32_t colour);
