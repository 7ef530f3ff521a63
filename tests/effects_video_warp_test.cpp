// The frame pacing of the video effect and the swirl's wrap at the edges,
// without a video (the warp's bytes are pinned by the golden frames).
#include <gtest/gtest.h>

#include <vector>

#include "core/frame.h"
#include "effects/video/video_effect.h"

namespace {

// A picture whose every pixel holds its own place: row * 320 + column.
std::vector<uint32_t> placePicture()
{
    std::vector<uint32_t> picture(kFramePixels);
    for (int i = 0; i < kFramePixels; ++i)
        picture[i] = static_cast<uint32_t>(i);
    return picture;
}

int32_t pushOf(int32_t ms) { return static_cast<int32_t>(0.002f * static_cast<float>(ms)); }

TEST(VideoFrameIndex, OneFramePer45MsWrappingOnUnsignedValues)
{
    for (int32_t ms = 1; ms < 45; ++ms)
        EXPECT_EQ(videoFrameIndex(ms, 240), 0u) << ms;
    EXPECT_EQ(videoFrameIndex(45, 240), 1u);
    EXPECT_EQ(videoFrameIndex(45 * 240 - 1, 240), 239u);
    EXPECT_EQ(videoFrameIndex(45 * 240, 240), 0u);
    // The quotient truncates toward zero, then reads as unsigned:
    // -45 / 45 = -1 = 2^32 - 1, and 2^32 leaves 4 modulo 6.
    EXPECT_EQ(videoFrameIndex(-44, 6), 0u);
    EXPECT_EQ(videoFrameIndex(-45, 6), 3u);
}

// Pushed coordinates wrap as unsigned 32-bit numbers: 2^32 leaves 256 modulo
// 320 and 16 modulo 240, so column -1 reads 255 (not 319) and row -1 reads 15
// (not 239). The left and top edges read only what a push of at most k
// reaches that way, and over the effect's span both -1 cases happen.
TEST(WarpSwirl, PushToMinusOneReadsColumn255AndRow15)
{
    const std::vector<uint32_t> picture = placePicture();
    std::vector<uint32_t> target(kFramePixels);
    bool column255 = false, row15 = false;
    for (int32_t ms = 1000; ms < 39100; ms += 300) {
        warpSwirl(picture.data(), target.data(), ms);
        const int32_t k = pushOf(ms);
        auto reachable = [k](uint32_t read, uint32_t size) {  // from coordinate 0
            for (int32_t d = -k; d <= k; ++d)
                if (static_cast<uint32_t>(d) % size == read)
                    return true;
            return false;
        };
        for (int32_t y = 0; y < kFrameHeight; ++y) {
            const uint32_t column = target[y * kFrameWidth] % kFrameWidth;  // x = 0
            ASSERT_TRUE(reachable(column, kFrameWidth)) << ms << " row " << y << ": " << column;
            column255 |= column == 255;  // k < 255: only from -1
        }
        for (int32_t x = 0; x < kFrameWidth; ++x) {
            const uint32_t row = target[x] / kFrameWidth;  // y = 0
            ASSERT_TRUE(reachable(row, kFrameHeight)) << ms << " column " << x << ": " << row;
            row15 |= row == 15 && k < 15;  // then only from -1
        }
    }
    EXPECT_TRUE(column255);
    EXPECT_TRUE(row15);
}

}  // namespace
