// The second 3D scene: drawing over the frame, the streak and flash
// thresholds.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <vector>

#include "core/frame.h"
#include "effects/spheres/credits_sphere_effect.h"
#include "test_support.h"

// The frame the code under test draws into, as the frame loop would pass it.
static Frame frameUnderTest;

namespace {

namespace fs = std::filesystem;

constexpr uint32_t kBackdrop = 0x00608040;

// Each test runs in a fresh folder whose data/credits.raw is a grey ramp
// across the columns with a white top row.
class CreditsSphere : public testing::Test {
protected:
    void SetUp() override
    {
        std::ofstream out("data/credits.raw", std::ios::binary);
        for (int i = 0; i < kFramePixels; ++i) {
            const char v = char(i < 320 ? 255 : (i % 320) * 255 / 319);
            out.put(v).put(v).put(v);
        }
    }
    testsupport::ScratchWorkDir dir_;
    // One frame drawn over the backdrop with the counter at `counter`.
    std::vector<uint32_t> frameAt(CreditsSphereEffect& effect, int32_t localMs, int32_t counter)
    {
        std::fill_n(frameUnderTest.framebuffer, kFramePixels, kBackdrop);
        frameUnderTest.frameCounter = counter;
        effect.render(frameUnderTest, localMs);
        return {frameUnderTest.framebuffer, frameUnderTest.framebuffer + kFramePixels};
    }

};

TEST_F(CreditsSphere, DrawsOverTheFrameAndAddsStreaksAfterTenSeconds)
{
    CreditsSphereEffect effect(67000, 120000, 2);
    const std::vector<uint32_t> centred = frameAt(effect, 0, 1);
    EXPECT_EQ(centred[0], kBackdrop);  // not cleared
    EXPECT_EQ(centred[120 * 320 + 160] >> 16, 0u);  // sphere in the middle, no red
    EXPECT_EQ(frameAt(effect, 0, 1), centred);

    const auto sceneOnly = [&](int32_t localMs) {
        std::fill_n(frameUnderTest.framebuffer, kFramePixels, kBackdrop);
        effect.animate(float(localMs));
        effect.scene->render();
        return std::vector<uint32_t>(frameUnderTest.framebuffer, frameUnderTest.framebuffer + kFramePixels);
    };
    EXPECT_EQ(frameAt(effect, 10000, 1), sceneOnly(10000));
    EXPECT_NE(frameAt(effect, 10001, 1), sceneOnly(10001));
}

TEST_F(CreditsSphere, FlashSubtractsThePictureAfterThirtySecondsWhenTheCounterIsHigh)
{
    CreditsSphereEffect effect(67000, 120000, 2);
    const std::vector<uint32_t> plain = frameAt(effect, 30000, 0);
    EXPECT_EQ(frameAt(effect, 30000, 16), plain);
    EXPECT_EQ(frameUnderTest.frameCounter, 16);
    const std::vector<uint32_t> calm = frameAt(effect, 30001, 15);
    EXPECT_EQ(frameAt(effect, 30001, 256 + 15), calm);  // only bits 4 ... 7 count
    const std::vector<uint32_t> flash = frameAt(effect, 30001, 16);
    EXPECT_EQ(frameUnderTest.frameCounter, 0);
    // The picture is subtracted byte by byte, saturating at 0: its white top
    // row turns black, its black left column leaves the scene as it was.
    EXPECT_NE(flash, calm);
    EXPECT_EQ(std::count(flash.begin(), flash.begin() + 320, 0u), 320);
    for (int y = 1; y < kFrameHeight; ++y)
        EXPECT_EQ(flash[y * 320], calm[y * 320]);
}

}  // namespace
