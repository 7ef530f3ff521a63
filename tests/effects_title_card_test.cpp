// Title card: the late lines, stamped once into the text layer. The fade and
// the cut-out text are pinned by the golden frames.
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
