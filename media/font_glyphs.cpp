#include "media/font_glyphs.h"

#include <cstddef>

#include "media/font_cache.h"
#include "pixel/cp1252.h"

namespace {

// Coverage of bitmap pixel (col, row) for the two modes FreeType renders to.
uint32_t coverageAt(const FT_Bitmap& bitmap, int col, int row)
{
    const unsigned char* line = bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
    if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO)
        return (line[col >> 3] & (0x80 >> (col & 7))) ? 255 : 0;
    if (bitmap.num_grays <= 1)
        return 0;
    return line[col] * 255u / (bitmap.num_grays - 1);
}

}  // namespace

bool FontGlyphs::selectFace(const char* faceName, int cellHeight, int& ascent)
{
    face_ = sizedFace(faceName, cellHeight);
    ascent = face_ ? face_->ascent : 0;
    return face_ != nullptr;
}

bool FontGlyphs::glyph(unsigned char character, Glyph& out)
{
    if (!face_)
        return false;
    FT_Face face = face_->face;
    const FT_UInt index = FT_Get_Char_Index(face, cp1252ToUnicode(character));
    if (FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_NO_BITMAP) != 0)
        return false;
    const FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    out.left = slot->bitmap_left;
    out.top = slot->bitmap_top;
    out.advance = slot->advance.x;
    // Only grey and one-bit bitmaps are drawn; any other mode only moves the pen.
    const bool drawable = bitmap.pixel_mode == FT_PIXEL_MODE_GRAY || bitmap.pixel_mode == FT_PIXEL_MODE_MONO;
    out.width = drawable ? static_cast<int>(bitmap.width) : 0;
    out.rows = drawable ? static_cast<int>(bitmap.rows) : 0;
    out.coverage.resize(static_cast<std::size_t>(out.width) * out.rows);
    for (int row = 0; row < out.rows; ++row)
        for (int col = 0; col < out.width; ++col)
            out.coverage[static_cast<std::size_t>(row) * out.width + col] =
                static_cast<uint8_t>(coverageAt(bitmap, col, row));
    return true;
}
