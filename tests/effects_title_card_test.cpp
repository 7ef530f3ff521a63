// Title card: rendered straight into the frame over known lower layers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/frame.h"
#include "effects/title_card_effect.h"
#include "media/font_glyphs.h"

// The frame the code under test draws into, as the frame loop would pass it.
static Frame frameUnderTest;

namespace {

void fillFrame(uint32_t value) { std::fill(frameUnderTest.framebuffer, frameUnderTest.framebuffer + kFramePixels, value); }

uint32_t pixel(int x, int y) { return frameUnderTest.framebuffer[y * kFrameWidth + x]; }

// Whether any frame pixel in the rectangle differs from value.
bool anyDiffers(int x0, int y0, int x1, int y1, uint32_t value) {
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (pixel(x, y) != value) return true;
    return false;
}

// The late lines sit in the top-left corner, well above the name at y 100.
constexpr int kLateX1 = 200, kLateY0 = 15, kLateY1 = 90;

// A fresh card for each test, so that none depends on another's renders.
class TitleCard : public ::testing::Test {
protected:
    void SetUp() override { card = std::make_unique<TitleCardEffect>(0, 21000, 5, glyphs); }
    FontGlyphs glyphs;
    std::unique_ptr<TitleCardEffect> card;
};

}  // namespace

TEST(TitleCardFade, FactorFollowsTheFiveSecondRamp) {
    EXPECT_EQ(titleCardFadeFactor(1), 255u);
    EXPECT_EQ(titleCardFadeFactor(2), 255u);
    EXPECT_EQ(titleCardFadeFactor(1000), 204u);
    EXPECT_EQ(titleCardFadeFactor(2500), 128u);
    EXPECT_EQ(titleCardFadeFactor(4000), 51u);
    EXPECT_EQ(titleCardFadeFactor(4980), 1u);
    EXPECT_EQ(titleCardFadeFactor(4981), 0u);
    EXPECT_EQ(titleCardFadeFactor(4999), 0u);
}

TEST_F(TitleCard, FadesInFromWhite) {
    // At 1 ms the weight is 255: every pixel, text or not, all four bytes
    // (the white layer's top byte included), comes out 254.
    fillFrame(0);
    card->render(frameUnderTest, 1);
    for (int i = 0; i < kFramePixels; ++i) ASSERT_EQ(frameUnderTest.framebuffer[i], 0xFEFEFEFEu);

    // At 2500 the weight is 128: black gives (255 * 128) >> 8 = 127 and
    // 0x80 gives (255 * 128 + 128 * 127) >> 8 = 191.
    fillFrame(0x00808080);
    card->render(frameUnderTest, 2500);
    EXPECT_EQ(pixel(5, 5), 0x7FBFBFBFu);
    fillFrame(0);
    card->render(frameUnderTest, 2500);
    EXPECT_EQ(pixel(5, 5), 0x7F7F7F7Fu);

    // 4999 still runs the fade at weight 0, one step off every byte; 5000 does not.
    fillFrame(0x00FFFFFF);
    card->render(frameUnderTest, 4999);
    EXPECT_EQ(pixel(5, 5), 0x00FEFEFEu);
    fillFrame(0x00FFFFFF);
    card->render(frameUnderTest, 5000);
    EXPECT_EQ(pixel(5, 5), 0x00FFFFFFu);
}

TEST_F(TitleCard, TextCutsOutOfTheFrame) {
    // Over white: the white credit word turns pixels black, the grey name
    // takes 0x33 off each channel; nothing else changes.
    fillFrame(0x00FFFFFF);
    card->render(frameUnderTest, 6000);
    int black = 0, darkened = 0;
    for (int i = 0; i < kFramePixels; ++i) {
        black += frameUnderTest.framebuffer[i] == 0;
        darkened += frameUnderTest.framebuffer[i] == 0x00CCCCCC;
        ASSERT_EQ(frameUnderTest.framebuffer[i], 0x00FFFFFFu - card->textLayer[i]);  // no channel of the layer exceeds 0xFF
    }
    EXPECT_GT(black, 50);
    EXPECT_GT(darkened, 50);

    // Over black, after the fade, the frame stays black.
    fillFrame(0);
    card->render(frameUnderTest, 8000);
    EXPECT_FALSE(anyDiffers(0, 0, kFrameWidth, kFrameHeight, 0));

    // A channel darker than 0x33 under the name ends at 0.
    fillFrame(0x00204060);
    card->render(frameUnderTest, 8000);
    bool clamped = false;
    for (int i = 0; i < kFramePixels; ++i) clamped |= card->textLayer[i] == 0x333333u && frameUnderTest.framebuffer[i] == 0x00000D2Du;
    EXPECT_TRUE(clamped);
}

// The late lines are not there at 11000 and appear, once, at the first frame
// after it.
TEST_F(TitleCard, LateLinesStampedOnceAfterElevenSeconds) {
    fillFrame(0x00FFFFFF);
    card->render(frameUnderTest, 11000);
    EXPECT_FALSE(card->linesStamped);
    EXPECT_FALSE(anyDiffers(0, kLateY0, kLateX1, kLateY1, 0x00FFFFFF));

    fillFrame(0x00FFFFFF);
    card->render(frameUnderTest, 11001);
    EXPECT_TRUE(card->linesStamped);
    EXPECT_TRUE(anyDiffers(0, kLateY0, kLateX1, kLateY1, 0x00FFFFFF));
    const std::vector<uint32_t> layer(card->textLayer.get(), card->textLayer.get() + kFramePixels);

    // Stamping again would darken the anti-aliased edges further; the layer
    // must stay as it is for the rest of the run.
    card->render(frameUnderTest, 11002);
    card->render(frameUnderTest, 20999);
    EXPECT_TRUE(std::equal(layer.begin(), layer.end(), card->textLayer.get()));
}
