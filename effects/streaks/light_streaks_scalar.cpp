// The plain, byte-at-a-time streak pass: the reference the SIMD kernel must
// match byte for byte.
#include "effects/streaks/light_streaks_kernels.h"

namespace {

// Rewrites pixel (x, y) from the 8.8 sample position (sx, sy), reading the
// buffer as it stands: nearer pixels have already been rewritten by this pass.
void streakPixel(uint32_t* pixels, int x, int y, uint32_t sx, uint32_t sy)
{
    const uint32_t fx = sx & 255;
    const uint32_t fy = sy & 255;
    const uint32_t* rowA = pixels + (sy >> 8) * kStreakWidth;
    // The lower row is the same row when the sample lies exactly on it (then
    // its weights are 0); likewise the right column. Taking the rounded-up
    // index keeps every read inside the buffer: ix + 1 is only ever past the
    // last column when fx is 0.
    const uint32_t* rowB = pixels + ((sy + 255) >> 8) * kStreakWidth;
    const uint32_t ix = sx >> 8;
    const uint32_t ix1 = (sx + 255) >> 8;

    // The weights use 255, not 256: together they add up to at most 254, so
    // every sample is slightly darker than its neighbours.
    const uint32_t w00 = ((255 - fx) * (255 - fy)) >> 8;
    const uint32_t w01 = (fx * (255 - fy)) >> 8;
    const uint32_t w10 = ((255 - fx) * fy) >> 8;
    const uint32_t w11 = (fx * fy) >> 8;

    const uint32_t p00 = rowA[ix];
    const uint32_t p01 = rowA[ix1];
    const uint32_t p10 = rowB[ix];
    const uint32_t p11 = rowB[ix1];
    uint32_t& dst = pixels[y * kStreakWidth + x];
    const uint32_t old = dst;

    uint32_t result = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        // The sample's fourth byte is 0; its colour bytes are the weighted sum.
        uint32_t sample = 0;
        if (shift < 24) {
            sample = (((p00 >> shift) & 255) * w00 + ((p01 >> shift) & 255) * w01 +
                      ((p10 >> shift) & 255) * w10 + ((p11 >> shift) & 255) * w11) >>
                     8;
        }
        const uint32_t mixed = (sample * 200 + ((old >> shift) & 255) * 55) >> 8;
        result |= mixed << shift;
    }
    dst = result;
}

// One row: first the left run from the centre column out to column 0, then
// the right run from the column after the centre out to column 319.
void streakRow(uint32_t* pixels, int y, uint32_t sy, const StreakGeometry& g)
{
    const uint32_t cx = static_cast<uint32_t>(g.centreX);
    for (int x = g.centreX; x >= 0; --x)
        streakPixel(pixels, x, y, cx * 256 - static_cast<uint32_t>(g.centreX - x) * g.step, sy);
    for (int x = g.centreX + 1; x < kStreakWidth; ++x)
        streakPixel(pixels, x, y, cx * 256 + static_cast<uint32_t>(x - g.centreX) * g.step, sy);
}

}  // namespace

void applyLightStreaksScalar(uint32_t* pixels, int32_t centreX, int32_t centreY, int32_t strength)
{
    const StreakGeometry g = streakGeometry(centreX, centreY, strength);
    const uint32_t cy = static_cast<uint32_t>(g.centreY);
    // The order is part of the result: the centre row and the rows above it
    // going up, then the rows below going down, so every sample comes from
    // pixels between the destination and the centre that are already done.
    for (int y = g.centreY; y >= 0; --y)
        streakRow(pixels, y, cy * 256 - static_cast<uint32_t>(g.centreY - y) * g.step, g);
    for (int y = g.centreY + 1; y < kStreakHeight; ++y)
        streakRow(pixels, y, cy * 256 + static_cast<uint32_t>(y - g.centreY) * g.step, g);
}
