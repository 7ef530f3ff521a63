#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "media/font_glyphs.h"
#include "tools/generators.h"
#include "tools/picture_drawing.h"
#include "test_support.h"

namespace {

using testsupport::readBytes;


TEST(Pictures, RawFilesOf320x240AreTheSameOnEveryRun)
{
    const testsupport::ScratchDir dir;
    for (auto write : {writeCreditsPicture, writeVelinaPicture}) {
        ASSERT_TRUE(write((dir / "a.raw").string()));
        ASSERT_TRUE(write((dir / "b.raw").string()));
        const std::vector<unsigned char> a = readBytes(dir / "a.raw");
        EXPECT_EQ(a.size(), 320u * 240u * 3u);
        EXPECT_TRUE(a == readBytes(dir / "b.raw"));
    }
    EXPECT_FALSE(writeVelinaPicture((dir / "missing" / "velina.raw").string()));
}

// What the flashes need: white text on black for the credits (the flash
// darkens the frame in the shape of the text), hard light and hard dark in
// the other picture.
TEST(Pictures, CreditsAreWhiteTextOnBlackAndVelinaHasStrongLightAndDark)
{
    std::vector<uint32_t> credits(kPicturePixels), velina(kPicturePixels);
    FontGlyphs glyphs;
    drawCreditsPicture(glyphs, credits.data());
    drawVelinaPicture(velina.data());
    int white = 0, lit = 0, bright = 0, black = 0;
    for (int i = 0; i < kPicturePixels; ++i) {
        const uint32_t p = credits[i];
        ASSERT_EQ(p, (p & 255) * 0x010101u) << "credits pixel " << i << " is not a grey";
        white += p == 0x00FFFFFF;
        lit += p != 0;
        const uint32_t v = velina[i];
        ASSERT_EQ(v >> 24, 0u);
        bright += ((v >> 16 & 255) + (v >> 8 & 255) + (v & 255)) > 3 * 230;
        black += v == 0;
    }
    EXPECT_GT(white, kPicturePixels / 40);
    EXPECT_LT(lit, kPicturePixels / 3);
    EXPECT_EQ(credits[0], 0u);
    EXPECT_GT(bright, kPicturePixels / 40);
    EXPECT_GT(black, kPicturePixels / 8);
}

}  // namespace
