#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
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

TEST_F(PictureFlash, MissingPictureStopsWithTheFileName)
{
    const fs::path before = fs::current_path();
    fs::current_path(dir.path);
    EXPECT_EQ(testsupport::startupFailure([] { PictureFlashEffect effect(90000, 120000, 3); }),
              "could not open data/velina.raw");
    fs::current_path(before);
}

// A lower layer that leaves a white frame, so that flashes show.
struct WhiteFill : Effect {
    using Effect::Effect;
    void render(Frame&, int32_t) override { std::fill(frameUnderTest.framebuffer, frameUnderTest.framebuffer + kFramePixels, 0x00FFFFFF); }
};

// Scene B's use of the counter: after 30 s of its local time, a flash (here
// only recorded) and a reset whenever bits 4..7 are set.
struct SceneBCounter : Effect {
    using Effect::Effect;
    std::vector<int32_t> flashTimes;
    void render(Frame&, int32_t localMs) override
    {
        if (localMs > 30000 && (frameUnderTest.frameCounter & 0xF0) != 0) {
            flashTimes.push_back(start + localMs);
            frameUnderTest.frameCounter = 0;
        }
    }
};

TEST_F(PictureFlash, RhythmThroughTheSchedulerEvery32FramesUntilSceneBTakesOverAt97s)
{
    // Counter values on the first live frame: bit 5 set (flash at once), and
    // bit 6 only (no flash until the count reaches 0x60).
    for (int32_t counterAtLive : {0x125, 0x40}) {
        auto flash = makeEffect();
        TimeWindow fillSpan{60000, 130000}, sceneSpan{67000, 120000}, flashSpan{90000, 120000};
        WhiteFill fill(60000, 130000, 1);
        SceneBCounter scene(67000, 120000, 2);
        fill.addWindow(&fillSpan);
        scene.addWindow(&sceneSpan);
        flash->addWindow(&flashSpan);
        EffectList list;
        list.add(flash.get());
        list.add(&scene);
        list.add(&fill);
        list.prepare();

        // The frame loop: an uneven music clock; clear, draw, count the frame.
        std::vector<int32_t> times;
        for (int32_t t = 89500; t < 100000; t += times.size() % 3 ? 16 : 17)
            times.push_back(t);
        const int firstLive = int(std::find_if(times.begin(), times.end(), [](int32_t t) { return t > 90000; }) -
                                  times.begin());
        frameUnderTest.frameCounter = counterAtLive - firstLive;
        std::vector<int> flashes;
        for (size_t n = 0; n < times.size(); ++n) {
            std::fill(frameUnderTest.framebuffer, frameUnderTest.framebuffer + kFramePixels, 0u);
            list.renderFrame(frameUnderTest, times[n]);
            if (frameUnderTest.framebuffer[0] != 0x00FFFFFFu)
                flashes.push_back(int(n));
            ++frameUnderTest.frameCounter;
        }

        ASSERT_GE(flashes.size(), 12u);
        EXPECT_EQ(flashes.front(), firstLive + (counterAtLive == 0x40 ? 0x20 : 0));
        for (size_t k = 1; k < flashes.size(); ++k)
            EXPECT_EQ(flashes[k] - flashes[k - 1], 32);
        EXPECT_LE(times[flashes.back()], 97000);
        EXPECT_GT(times[flashes.back()], 97000 - 32 * 17);
        ASSERT_FALSE(scene.flashTimes.empty());
        EXPECT_GT(scene.flashTimes.front(), 97000);
    }
}

}  // namespace
