#pragma once
// The two forms behind applyLightStreaks. The scalar kernel is the plain
// reading of the algorithm and the reference; the SIMD kernel gives the same
// bytes.
#include <algorithm>
#include <cstdint>

constexpr int kStreakWidth = 320;
constexpr int kStreakHeight = 240;

// Arguments brought into the supported ranges, and the resulting step: a
// sample lies step/256 of the destination's distance from the centre.
struct StreakGeometry {
    int32_t centreX;  // 0..319
    int32_t centreY;  // 0..239
    uint32_t step;    // 0..255
};

inline StreakGeometry streakGeometry(int32_t centreX, int32_t centreY, int32_t strength)
{
    StreakGeometry g;
    g.centreX = std::clamp<int32_t>(centreX, 0, kStreakWidth - 1);
    g.centreY = std::clamp<int32_t>(centreY, 0, kStreakHeight - 1);
    // strength / 32 is subtracted from a full step of 255; the clamp keeps the
    // step from going negative (which would sample beyond the centre).
    const uint32_t k = (static_cast<uint32_t>(std::clamp<int32_t>(strength, 0, 8191)) >> 5) & 0x7FFFF;
    g.step = 255 - k;
    return g;
}

void applyLightStreaksScalar(uint32_t* pixels, int32_t centreX, int32_t centreY, int32_t strength);

void applyLightStreaksSimd(uint32_t* pixels, int32_t centreX, int32_t centreY, int32_t strength);
