#pragma once
// The system's fonts as a glyph source: faces found through fontconfig and
// rendered anti-aliased by FreeType (see font_cache.h).
#include "pixel/glyph_source.h"

struct SizedFace;

class FontGlyphs : public GlyphSource {
public:
    bool selectFace(const char* faceName, int cellHeight, int& ascent) override;
    bool glyph(unsigned char character, Glyph& out) override;

private:
    const SizedFace* face_ = nullptr;
};
