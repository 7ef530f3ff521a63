// Where the fast swirl kernels apply and the margin they rest on (every form
// against the literal per-pixel warp: kernel_forms_test.cpp).
#include <gtest/gtest.h>

#include <cmath>

#include "core/frame.h"
#include "effects/video/swirl_warp.h"
#include "effects/video/video_effect.h"

namespace {

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
