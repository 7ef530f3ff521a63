// Text stamping: glyphs mixed over the buffer one coverage value at a time,
// with no background.
#include "pixel/text.h"

#include <cstddef>

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

void drawGlyph(uint32_t* buffer, int width, int height, const Glyph& glyph, long left, long top, uint32_t colour) {
    for (int row = 0; row < glyph.rows; ++row) {
        const long y = top + row;
        if (y < 0 || y >= height) continue;
        uint32_t* line = buffer + static_cast<std::ptrdiff_t>(y) * width;
        const uint8_t* coverage = glyph.coverage.data() + static_cast<std::size_t>(row) * glyph.width;
        for (int col = 0; col < glyph.width; ++col) {
            const long x = left + col;
            if (x < 0 || x >= width) continue;
            if (coverage[col] != 0) line[x] = mixPixel(line[x], colour, coverage[col]);
        }
    }
}

}  // namespace

void stampText(GlyphSource& glyphs, uint32_t* buffer, int x, int y, int width, int height, const char* faceName,
               const char* text, int fontHeight, uint32_t colour) {
    if (!buffer || width <= 0 || height <= 0) return;
    const std::size_t pixelCount = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    // The buffer's picture went through a 24-bit bitmap and back: colours are
    // kept, the top byte is not.
    for (std::size_t i = 0; i < pixelCount; ++i) buffer[i] &= 0x00FFFFFF;
    if (!text || !*text || fontHeight <= 0) return;

    int ascent = 0;
    if (!glyphs.selectFace(faceName, fontHeight, ascent)) return;
    colour &= 0x00FFFFFF;

    // Pen in 26.6 fixed point; glyphs advance by their own (hinted) advance
    // width, with no kerning.
    const long baseline = static_cast<long>(y) + ascent;
    long penX = static_cast<long>(x) * 64;
    Glyph glyph;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        if (!glyphs.glyph(*p, glyph)) continue;
        // Arithmetic shift of a possibly negative pen: floor division by 64.
        const long originX = penX >= 0 ? penX / 64 : -((-penX + 63) / 64);
        drawGlyph(buffer, width, height, glyph, originX + glyph.left, baseline - glyph.top, colour);
        penX += glyph.advance;
    }
}
