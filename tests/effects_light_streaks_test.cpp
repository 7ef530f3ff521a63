// The streaks stay inside the frame whatever the centre and strength (every
// SIMD form gives the plain bytes: kernel_forms_test.cpp; the plain bytes are
// pinned by the golden frames).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "effects/streaks/light_streaks.h"

namespace {

constexpr int kW = 320;
constexpr int kPixels = 320 * 240;

class LightStreaks : public testing::Test {
protected:
    // The frame sits between guard zones, so a stray write shows up.
    static constexpr int kGuard = 2 * kW;
    static constexpr uint32_t kGuardValue = 0xA5C3E1F0;
    std::vector<uint32_t> storage = std::vector<uint32_t>(kPixels + 2 * kGuard, kGuardValue);
    uint32_t* frame = storage.data() + kGuard;

    void run(int cx, int cy, int strength) { applyLightStreaks(frame, cx, cy, strength); }
    bool guardsIntact() const
    {
        return std::count(storage.begin(), storage.begin() + kGuard, kGuardValue) == kGuard &&
               std::count(storage.end() - kGuard, storage.end(), kGuardValue) == kGuard;
    }
};

TEST_F(LightStreaks, CornerCentresAndOutOfRangeArgumentsStayInsideTheFrame)
{
    std::mt19937 rng(7);
    std::vector<uint32_t> picture(kPixels);
    for (auto& p : picture)
        p = rng();
    auto runOn = [&](int cx, int cy, int strength) {
        std::copy(picture.begin(), picture.end(), frame);
        run(cx, cy, strength);
        EXPECT_TRUE(guardsIntact()) << cx << "," << cy << " strength " << strength;
        return std::vector<uint32_t>(frame, frame + kPixels);
    };
    for (int strength : {0, 512, 8191})
        for (int corner = 0; corner < 4; ++corner)
            runOn(corner & 1 ? 319 : 0, corner & 2 ? 239 : 0, strength);
    // Out-of-range arguments behave as the nearest supported ones.
    EXPECT_EQ(runOn(-40, 500, -3), runOn(0, 239, 0));
    EXPECT_EQ(runOn(200, 100, INT32_MIN), runOn(200, 100, 0));
    EXPECT_EQ(runOn(INT32_MAX, INT32_MIN, INT32_MAX), runOn(319, 0, 8191));
}

}  // namespace
