#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "core/effect_list.h"
#include "core/frame.h"
#include "effects/picture_flash_effect.h"
#include "test_support.h"

// The frame the code under test draws into, as the frame loop would pass it.
static Frame frameUnderTest;

namespace {

namespace fs = std::filesystem;

// Red follows the column, green the row, blue is constant.
uint32_t testPicture(int i) { return (uint32_t(i % 320 & 255) << 16) | (uint32_t(i / 320) << 8) | 0x40; }

// Builds effects inside a scratch directory whose data/ holds the test
// picture (or nothing), so no generated data set is needed.
class PictureFlash : public testing::Test {
protected:
    testsupport::ScratchDir dir;
    fs::path home = fs::current_path();

    void SetUp() override { fs::create_directories(dir / "data"); }
    std::unique_ptr<PictureFlashEffect> makeEffect()
    {
        std::ofstream out(dir / "data" / "velina.raw", std::ios::binary);
        for (int i = 0; i < kFramePixels; ++i)
            out << char(testPicture(i) >> 16) << char(testPicture(i) >> 8) << char(testPicture(i));
        out.close();
        fs::current_path(dir.path);
        auto effect = std::make_unique<PictureFlashEffect>(90000, 120000, 3);
        fs::current_path(home);
        return effect;
    }
};

TEST_F(PictureFlash, FlashesOnBit5OrBit7SubtractingThePictureAndResetsTheCounter)
{
    auto effect = makeEffect();
    for (int32_t counter : {0, 31, 32, 33, 64, 128, 160, 256, 288, 512, 0x5F}) {
        const bool flashes = (counter & 0x20) || (counter & 0x80);
        for (int i = 0; i < kFramePixels; ++i)
            frameUnderTest.framebuffer[i] = 0x00A0FF10u + uint32_t(i % 7) * 0x00010101u;
        frameUnderTest.frameCounter = counter;
        effect->render(frameUnderTest, 12345);
        EXPECT_EQ(frameUnderTest.frameCounter, flashes ? 0 : counter);
        for (int i = 0; i < kFramePixels; ++i) {
            // Per byte, the frame minus the picture, floored at 0.
            uint32_t expected = 0x00A0FF10u + uint32_t(i % 7) * 0x00010101u;
            if (flashes) {
                const uint32_t p = testPicture(i), f = expected;
                expected = 0;
                for (int s = 0; s < 24; s += 8)
                    expected |= uint32_t(std::max(int(f >> s & 255) - int(p >> s & 255), 0)) << s;
            }
            ASSERT_EQ(frameUnderTest.framebuffer[i], expected) << "counter " << counter << " pixel " << i;
        }
    }
}

}  // namespace
