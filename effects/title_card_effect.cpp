#include "effects/title_card_effect.h"

#include <cstring>

#include "pixel/blend.h"
#include "pixel/text.h"

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kDarkGrey = 0x333333;  // takes 51 off each channel when subtracted

void stamp(GlyphSource& glyphs, uint32_t* layer, int x, int y, const char* face, const char* text, int cellHeight, uint32_t colour) {
    stampText(glyphs, layer, x, y, kFrameWidth, kFrameHeight, face, text, cellHeight, colour);
}

}  // namespace

uint32_t titleCardFadeFactor(int32_t localMs) {
    // 5000.0 - localMs is exact in double and cannot overflow like the int
    // subtraction could; the product is truncated toward zero.
    return static_cast<uint32_t>(static_cast<int32_t>((5000.0 - localMs) * 0.0512));
}

TitleCardEffect::TitleCardEffect(int32_t start, int32_t end, int32_t layer, GlyphSource& glyphs)
    : Effect(start, end, layer),
      textLayer(new uint32_t[kFramePixels]),
      whiteLayer(new uint32_t[kFramePixels]),
      linesStamped(false),
      glyphs(&glyphs) {
    std::memset(textLayer.get(), 0, kFramePixels * sizeof(uint32_t));
    std::memset(whiteLayer.get(), 0xFF, kFramePixels * sizeof(uint32_t));
    stamp(glyphs, textLayer.get(), 100, 100, "Arial Black", "Vek", 54, kDarkGrey);
    stamp(glyphs, textLayer.get(), 100, 134, "Arial", "kestrolith", 24, kWhite);
}

void TitleCardEffect::render(Frame& frame, int32_t localMs) {
    if (!linesStamped && localMs > 11000) {
        // Four overlapping white lines near the top-left corner, stamped once.
        // "Arial Back" is the name as given; the font mapper's substitute
        // draws it. "\xE5" is the code page 1252 byte of the a with ring.
        uint32_t* layer = textLayer.get();
        stamp(*glyphs, layer, 10, 22, "Arial Back", "stem p\xE5 oss", 12, kWhite);
        stamp(*glyphs, layer, 15, 26, "Arial", "for EVIG liv", 32, kWhite);
        stamp(*glyphs, layer, 8, 30, "Arial", "I", 40, kWhite);
        stamp(*glyphs, layer, 17, 53, "Arial", "himmelen!", 12, kWhite);
        linesStamped = true;
    }
    subtractPixels(frame.framebuffer, textLayer.get(), kFramePixels);
    // The fade still runs at a weight of 0 (4981..4999), which takes up to
    // one step off every non-zero byte.
    if (localMs < 5000) crossFadePixels(frame.framebuffer, whiteLayer.get(), kFramePixels, titleCardFadeFactor(localMs));
}
