// What the streaks do to frames (every SIMD form gives the plain bytes:
// kernel_forms_test.cpp).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
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

    void fill(uint32_t value) { std::fill(frame, frame + kPixels, value); }
    uint32_t at(int x, int y) const { return frame[y * kW + x]; }
    void run(int cx, int cy, int strength) { applyLightStreaks(frame, cx, cy, strength); }
    bool guardsIntact() const
    {
        return std::count(storage.begin(), storage.begin() + kGuard, kGuardValue) == kGuard &&
               std::count(storage.end() - kGuard, storage.end(), kGuardValue) == kGuard;
    }
    // Every pixel equal to value, except (x, y) == except.
    void expectUniform(uint32_t value, int exceptX = -1, int exceptY = -1, uint32_t exceptValue = 0)
    {
        for (int i = 0; i < kPixels; ++i)
            ASSERT_EQ(frame[i], i == exceptY * kW + exceptX ? exceptValue : value) << "pixel " << i;
    }
};

TEST_F(LightStreaks, UniformFramesBlackStaysBlackFourthByteKeepsItsShare)
{
    for (int strength : {0, 512, 8191}) {
        fill(0);
        run(37, 201, strength);
        expectUniform(0);
    }
    // The sample's fourth byte is 0: only old * 55 >> 8 survives there.
    fill(0xFF000000);
    run(100, 50, 700);
    expectUniform(0x36000000);
}

TEST_F(LightStreaks, WhiteFrameDarkensWithDistance)
{
    fill(0x00FFFFFF);
    run(160, 120, 0);
    EXPECT_EQ(at(160, 120), 0x00FCFCFCu);  // samples itself with weight 254 only
    EXPECT_EQ(at(200, 120), 0x00FAFAFAu);
    EXPECT_EQ(at(0, 0), 0x00F3F3F3u);
    EXPECT_EQ(at(319, 239), 0x00F2F2F2u);
    fill(0x00FFFFFF);
    run(160, 120, 512);
    EXPECT_EQ(at(0, 0), 0x00EAEAEAu);
}

TEST_F(LightStreaks, SingleWhitePixelLeavesTrailAwayFromCentre)
{
    fill(0);
    frame[120 * kW + 170] = 0x00FFFFFF;
    run(160, 120, 512);
    const uint32_t trail[] = {0x78, 0x43, 0x28, 0x1A, 0x11, 0x0C, 0x09, 0x07, 0x05, 0x03, 0x02, 0x01};
    for (int x = 0; x < kW; ++x)
        EXPECT_EQ(at(x, 120), (x >= 170 && x <= 181 ? trail[x - 170] : 0u) * 0x010101u) << "column " << x;
}

TEST_F(LightStreaks, StepZeroMakesEveryPixelSampleTheRewrittenCentre)
{
    for (int strength : {8160, 8191}) {
        fill(0);
        frame[120 * kW + 160] = 0x00FFFFFF;
        run(160, 120, strength);
        expectUniform(0x00C3C3C3, 160, 120, 0x00FCFCFC);
    }
}

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
