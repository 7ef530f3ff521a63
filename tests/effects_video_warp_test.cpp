// The swirl warp and the frame pacing of the video effect, without a video.
#include <gtest/gtest.h>

#include <cmath>
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

TEST(WarpSwirl, IsTheIdentityWhileThePushIsBelowOnePixel)
{
    std::vector<uint32_t> picture = placePicture();
    std::vector<uint32_t> target(kFramePixels, 0xDEADBEEF);
    for (int32_t ms : {1, 250, 499}) {
        warpSwirl(picture.data(), target.data(), ms);
        EXPECT_EQ(target, picture) << ms;
    }
    warpSwirl(picture.data(), target.data(), 500);  // k = 1
    EXPECT_NE(target, picture);
}

// Where the angle a is a whole number of turns, sin(θ + a) and cos(θ - a)
// are sin θ and cos θ: the push points away from the centre. A quarter turn
// past that, the push is the offset from the centre with x and y swapped.
TEST(WarpSwirl, PushDirectionFollowsTheAngleAroundTheCentre)
{
    const std::vector<uint32_t> picture = placePicture();
    std::vector<uint32_t> target(kFramePixels);
    for (const auto& [ms, swapped] : {std::pair{15708, false}, std::pair{12959, true}}) {
        const double t = ms;
        const int32_t cx = static_cast<int32_t>(160.0 + 130.0 * std::sin(static_cast<double>(0.0008f) * t));
        const int32_t cy = static_cast<int32_t>(120.0 + 100.0 * std::sin(static_cast<double>(0.0006f) * t) *
                                                            std::sin(static_cast<double>(0.0001f) * t));
        const int32_t k = pushOf(ms);
        warpSwirl(picture.data(), target.data(), ms);
        int checked = 0;
        for (int32_t y = k + 1; y < kFrameHeight - 1 - k; ++y) {  // away from the edges: no wrap
            for (int32_t x = k + 1; x < kFrameWidth - 1 - k; ++x) {
                const double dx = x - cx, dy = y - cy;
                const double r = std::sqrt(dx * dx + dy * dy);
                if (r < 40)
                    continue;
                const uint32_t source = target[y * kFrameWidth + x];
                const int32_t px = static_cast<int32_t>(source % kFrameWidth) - x;
                const int32_t py = static_cast<int32_t>(source / kFrameWidth) - y;
                const double along = swapped ? (px * dy + py * dx) / r : (px * dx + py * dy) / r;
                ASSERT_GT(along, k - 2.5) << ms << ": (" << x << ", " << y << ") pushed by (" << px << ", " << py << ")";
                ++checked;
            }
        }
        EXPECT_GT(checked, kFramePixels / 3) << ms;
    }
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
