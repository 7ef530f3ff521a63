// Text stamping: glyphs rendered anti-aliased by FreeType and mixed over the
// buffer one coverage value at a time, with no background.
#include "pixel/text.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstddef>

#include "pixel/cp1252.h"
#include "media/font_cache.h"

namespace {

// Mixes colour over one pixel with coverage 0..255: full coverage gives the
// colour itself, none leaves the pixel, edges a rounded mix of the two.
uint32_t mixPixel(uint32_t pixel, uint32_t colour, uint32_t coverage) {
    const uint32_t rest = 255 - coverage;
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t c = (colour >> shift) & 0xFF;
        const uint32_t p = (pixel >> shift) & 0xFF;
        out |= ((c * coverage + p * rest + 127) / 255) << shift;
    }
    return out;
}

// Coverage of bitmap pixel (col, row) for the two modes FreeType renders to.
uint32_t coverageAt(const FT_Bitmap& bitmap, int col, int row) {
    const unsigned char* line = bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
    if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) return (line[col >> 3] & (0x80 >> (col & 7))) ? 255 : 0;
    if (bitmap.num_grays <= 1) return 0;
    return line[col] * 255u / (bitmap.num_grays - 1);
}

void drawBitmap(uint32_t* buffer, int width, int height, const FT_Bitmap& bitmap, long left, long top,
                uint32_t colour) {
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY && bitmap.pixel_mode != FT_PIXEL_MODE_MONO) return;
    const int rows = static_cast<int>(bitmap.rows);
    const int cols = static_cast<int>(bitmap.width);
    for (int row = 0; row < rows; ++row) {
        const long y = top + row;
        if (y < 0 || y >= height) continue;
        uint32_t* line = buffer + static_cast<std::ptrdiff_t>(y) * width;
        for (int col = 0; col < cols; ++col) {
            const long x = left + col;
            if (x < 0 || x >= width) continue;
            const uint32_t coverage = coverageAt(bitmap, col, row);
            if (coverage != 0) line[x] = mixPixel(line[x], colour, coverage);
        }
    }
}

}  // namespace

void stampText(uint32_t* buffer, int x, int y, int width, int height, const char* faceName,
               const char* text, int fontHeight, uint32_t colour) {
    if (!buffer || width <= 0 || height <= 0) return;
    const std::size_t pixelCount = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    // The buffer's picture went through a 24-bit bitmap and back: colours are
    // kept, the top byte is not.
    for (std::size_t i = 0; i < pixelCount; ++i) buffer[i] &= 0x00FFFFFF;
    if (!text || !*text || fontHeight <= 0) return;

    const SizedFace* sized = sizedFace(faceName, fontHeight);
    if (!sized) return;
    FT_Face face = sized->face;
    colour &= 0x00FFFFFF;

    // Pen in 26.6 fixed point; glyphs advance by their own (hinted) advance
    // width, with no kerning.
    const long baseline = static_cast<long>(y) + sized->ascent;
    long penX = static_cast<long>(x) * 64;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        const FT_UInt glyph = FT_Get_Char_Index(face, cp1252ToUnicode(*p));
        if (FT_Load_Glyph(face, glyph, FT_LOAD_RENDER | FT_LOAD_NO_BITMAP) != 0) continue;
        const FT_GlyphSlot slot = face->glyph;
        // Arithmetic shift of a possibly negative pen: floor division by 64.
        const long originX = penX >= 0 ? penX / 64 : -((-penX + 63) / 64);
        drawBitmap(buffer, width, height, slot->bitmap, originX + slot->bitmap_left, baseline - slot->bitmap_top,
                   colour);
        penX += slot->advance.x;
    }
}
