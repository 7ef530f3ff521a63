#pragma once
// The opening title card: a text layer subtracted from the frame every frame,
// so its letters show as dark cut-outs of the scene below, and a fade in from
// white over the first five seconds.
#include <cstdint>
#include <memory>

#include "core/effect.h"
#include "pixel/glyph_source.h"

class TitleCardEffect : public Effect {
public:
    std::unique_ptr<uint32_t[]> textLayer;   // 320 x 240; 0 where there is no text
    std::unique_ptr<uint32_t[]> whiteLayer;  // 320 x 240, every byte 0xFF; never changes
    bool linesStamped;                       // the four late lines are in textLayer
    GlyphSource* glyphs;                     // borrowed; outlives the effect

    // Builds both layers and stamps the name and the credit word.
    TitleCardEffect(int32_t start, int32_t end, int32_t layer, GlyphSource& glyphs);

    void render(Frame& frame, int32_t localMs) override;
};

// The cross-fade weight of white at localMs, meaningful below 5000:
// (5000 - localMs) * 0.0512 in double precision, truncated toward zero.
uint32_t titleCardFadeFactor(int32_t localMs);
