// The credits picture: every line is stamped into a scratch buffer first,
// measured there and then laid centred onto the picture, since the text
// stamper draws at a position and does not report widths.
#include <algorithm>
#include <vector>

#include "pixel/text.h"
#include "tools/picture_drawing.h"

namespace {

struct Line {
    const char* text;
    int fontHeight;
    int top;  // top of the character cell
};

const Line kLines[] = {
    {"Quarnel", 64, 34},
    {"code: the Quarnel project", 22, 128},
    {"music: the Quarnel project", 22, 156},
    {"graphics: the Quarnel project", 22, 184},
};

// "Arial" resolves to a metric-compatible sans; stamping it again a pixel or
// more to the right thickens every stroke into a bold face, about as much as
// a bold cut would at that size.
void stampBold(GlyphSource& glyphs, uint32_t* buffer, const Line& line)
{
    const int passes = std::max(2, line.fontHeight / 14);
    for (int dx = 0; dx < passes; ++dx)
        stampText(glyphs, buffer, 8 + dx, line.top, kPictureWidth, kPictureHeight, "Arial", line.text, line.fontHeight,
                  0x00FFFFFF);
}

}  // namespace

void drawCreditsPicture(GlyphSource& glyphs, uint32_t* pixels)
{
    std::fill(pixels, pixels + kPicturePixels, 0u);
    std::vector<uint32_t> scratch(kPicturePixels);
    for (const Line& line : kLines) {
        std::fill(scratch.begin(), scratch.end(), 0u);
        stampBold(glyphs, scratch.data(), line);
        int left = kPictureWidth, right = -1;
        for (int y = 0; y < kPictureHeight; ++y)
            for (int x = 0; x < kPictureWidth; ++x)
                if (scratch[y * kPictureWidth + x] != 0) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
        if (right < left)
            continue;  // no font at all: the line stays black
        const int shift = (kPictureWidth - (right - left + 1)) / 2 - left;
        for (int y = 0; y < kPictureHeight; ++y)
            for (int x = left; x <= right; ++x) {
                const int to = x + shift;
                if (to < 0 || to >= kPictureWidth)
                    continue;
                uint32_t& dst = pixels[y * kPictureWidth + to];
                dst = std::max(dst, scratch[y * kPictureWidth + x] & 0x00FFFFFF);
            }
    }
    // A thin rule between the title and the credits.
    for (int x = 100; x < 220; ++x)
        pixels[114 * kPictureWidth + x] = 0x00FFFFFF;
}
