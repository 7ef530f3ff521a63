// The swirl's plain kernel against the literal per-pixel warp (its SIMD
// forms against the plain one are in kernel_forms_test.cpp).
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "core/globals.h"
#include "effects/video/swirl_warp.h"
#include "effects/video/video_effect.h"

namespace {

// Every pixel holds its own index, so a frame shows exactly where each
// target pixel read from.
std::vector<uint32_t> placePicture()
{
    std::vector<uint32_t> picture(kFramePixels);
    for (int i = 0; i < kFramePixels; ++i)
        picture[i] = uint32_t(i);
    return picture;
}

// Times over the whole span of the effect, plus adversarial ones: the push
// switching on (k = 1), whole turns of the angle a (where pushes along the
// axes through the centre land on whole numbers), the largest push of the
// programme, and pushes at and past the fast kernels' limit.
std::vector<int32_t> testTimes()
{
    std::vector<int32_t> times = {1, 499, 500, 501, 1000, 39099, 39098};
    for (int turns = 1; turns <= 24; ++turns)
        for (int quarter = 0; quarter < 4; ++quarter) {
            // a = 0.004 t rounded to float: pick the nearest whole ms and its neighbours.
            const int32_t t = int32_t(std::lround((turns * 2 + quarter * 0.5) * M_PI / 0.004));
            if (t < 39100)
                for (int32_t d : {-1, 0, 1})
                    times.push_back(t + d);
        }
    std::mt19937 rng(7);
    for (int i = 0; i < 40; ++i)
        times.push_back(int32_t(rng() % 39099) + 1);
    // k = 160 and 161 (the fast limit) and a negative time.
    for (int32_t t : {80000, 80500, -5000})
        times.push_back(t);
    return times;
}

TEST(FastSwirl, EveryKernelReadsExactlyWhereTheReferenceReads)
{
    const std::vector<uint32_t> picture = placePicture();
    std::vector<uint32_t> expected(kFramePixels), got(kFramePixels);
    for (int32_t t : testTimes()) {
        warpSwirlExact(picture.data(), expected.data(), t);
        warpSwirl(picture.data(), got.data(), t);
        ASSERT_EQ(got, expected) << "public, t = " << t;
        const SwirlFrame f = swirlFrame(t);
        if (!f.fastUsable)
            continue;
        std::fill(got.begin(), got.end(), 0xDEADBEEF);
        swirlRowsScalar(f, picture.data(), got.data(), 0, kFrameHeight);
        ASSERT_EQ(got, expected) << "scalar, t = " << t;
    }
}

TEST(FastSwirl, FastUseStopsWherePushedCoordinatesLeaveTheCorrectedRange)
{
    EXPECT_FALSE(swirlFrame(499).fastUsable);  // k = 0: a plain copy
    EXPECT_TRUE(swirlFrame(500).fastUsable);
    EXPECT_EQ(swirlFrame(80000).k, 160);
    EXPECT_TRUE(swirlFrame(80000).fastUsable);
    EXPECT_FALSE(swirlFrame(80500).fastUsable);
}

// The margin must cover the real difference between the fast and the
// reference pushed coordinates; measure it over every pixel of many frames
// (the exactness test above cannot see an unsafe margin unless a value
// happens to fall in the gap).
TEST(FastSwirl, MarginCoversTheMeasuredDifference)
{
    double worstRatio = 0.0;
    for (int32_t t = 500; t < 39100; t += 1733) {
        const SwirlFrame f = swirlFrame(t);
        for (int32_t y = 0; y < kFrameHeight; y += 3)
            for (int32_t x = 0; x < kFrameWidth; ++x) {
                const double dx = x - f.cx, dy = y - f.cy;
                if (dx == 0 && dy == 0)
                    continue;
                const double theta = std::atan2(dx, dy);
                const double exactX = x + f.k * std::sin(theta + f.a);
                const double exactY = y + f.k * std::cos(theta - f.a);
                const double inv = 1.0 / std::sqrt(dx * dx + dy * dy);
                const double fastX = x + f.k * ((dx * f.cosA + dy * f.sinA) * inv);
                const double fastY = y + f.k * ((dy * f.cosA + dx * f.sinA) * inv);
                worstRatio = std::max(worstRatio, std::fabs(fastX - exactX) / f.margin);
                worstRatio = std::max(worstRatio, std::fabs(fastY - exactY) / f.margin);
            }
    }
    EXPECT_LT(worstRatio, 0.5);  // the margin has at least a factor of 2 to spare
    RecordProperty("worst_difference_over_margin", std::to_string(worstRatio));
}

}  // namespace
