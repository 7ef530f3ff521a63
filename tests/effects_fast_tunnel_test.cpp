// The tunnel's fast node steps against the reference steps, and the general
// trace against the literal one (the forms of the on-axis trace and of the
// block fill are in kernel_forms_test.cpp).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "effects/tunnel/tunnel_axis_trace.h"
#include "effects/tunnel/tunnel_mapper.h"
#include "effects/tunnel/tunnel_trace.h"

#include "reference/tunnel_reference.h"
#include "test_support.h"

namespace {

using testsupport::sameBits;

// Points at every angle that matters: the axes (with both zeros), the
// diagonals, the lobe extremes and zeros of cos 5θ (multiples of pi/10), and
// angles of whole texels (multiples of pi/256), each nudged by a unit in
// the last place either way; then random ones.
std::vector<std::pair<float, float>> adversarialPoints(std::mt19937& rng)
{
    std::vector<std::pair<float, float>> p;
    for (float x : {0.0f, -0.0f, 1.0f, -1.0f})
        for (float y : {0.0f, -0.0f, 1.0f, -1.0f, 1e-30f})
            p.emplace_back(x, y);
    for (int j = -256; j <= 256; ++j)
        for (double step : {M_PI / 256, M_PI / 10, M_PI / 4}) {
            const float x = float(std::sin(j * step)), y = float(std::cos(j * step));
            for (float dx : {-1.0f, 0.0f, 1.0f})
                p.emplace_back(std::nextafter(x, x + dx), y);
        }
    std::uniform_real_distribution<float> any(-3.0f, 3.0f);
    for (int i = 0; i < 20000; ++i)
        p.emplace_back(any(rng), any(rng));
    return p;
}

TEST(TunnelTrace, FastStepsAgreeWithTheReferenceOrStepAside)
{
    std::mt19937 rng(17);
    int fastSightLines = 0, fastTexels = 0, total = 0;
    for (const auto& [x, y] : adversarialPoints(rng)) {
        for (double s : {0.0, 1.0, -1.0, 0.73, std::sin(0.004 * 7919)}) {
            const Vec3 r(x, y, 0.9f);
            Vec3 d;
            if (wobbleSightLineFast(r, s, d)) {
                ++fastSightLines;
                ASSERT_TRUE(sameBits(d, wobbleSightLineExact(r, s))) << x << ", " << y << " s " << s;
            }
        }
        int32_t v = -1;
        if (aroundTexelsFast(x, y, v)) {
            ++fastTexels;
            ASSERT_EQ(v, aroundTexelsExact(x, y)) << x << ", " << y;
        }
        ++total;
    }
    // Nearly every input takes the fast path.
    EXPECT_GT(fastTexels, total * 9 / 10);
    EXPECT_GT(fastSightLines, total * 5 * 9 / 10);
    // An eye off the axis or an out-of-range wobble is not the on-axis case.
    EXPECT_FALSE(onAxisTraceApplies(Vec3(1e-30f, 0.0f, 0.0f), 0.5));
    EXPECT_FALSE(onAxisTraceApplies(Vec3(0.0f, 0.0f, 0.0f), 1.5));
}

// The bounds the margins rest on, measured against the library.
TEST(TunnelTrace, FastArcTangentAndWobbleStayWithinTheirBounds)
{
    std::mt19937 rng(19);
    double worstAngle = 0.0, worstWobble = 0.0;
    for (const auto& [x, y] : adversarialPoints(rng)) {
        if (std::fmax(std::fabs(x), std::fabs(y)) > 1e-20f)
            worstAngle = std::max(worstAngle, std::fabs(fastAbsAtan2(x, y) - std::fabs(std::atan2(double(x), double(y)))));
        const double rho2 = double(x) * x + double(y) * y;
        if (rho2 > 1e-40) {
            const double c = y / std::sqrt(rho2), c2 = c * c;
            const double fast = c * (5.0 + c2 * (-20.0 + 16.0 * c2));
            worstWobble = std::max(worstWobble, std::fabs(fast - std::cos(5.0 * std::atan2(double(x), double(y)))));
        }
    }
    EXPECT_LT(worstAngle, 0x1p-30);
    EXPECT_LT(worstWobble * 0.3, 0x1p-46);  // the cosine enters w times 0.3 |s|
}

// An eye off the axis (which the effect never uses; the on-axis trace is
// pinned by the golden frames) takes the general steps in batches: grids whose
// node count is below one batch, exactly one, and a batch and a bit give the
// literal trace's nodes.
TEST(TunnelTrace, BatchedTracingCoversEveryGridSize)
{
    const int32_t shapes[][3] = {{8, 8, 8}, {56, 24, 8}, {248, 8, 8}, {256, 8, 8}, {320, 240, 16}, {320, 240, 40}};
    for (const auto& shape : shapes) {
        TunnelMapper fast(shape[0], shape[1], nullptr, shape[2]), reference(shape[0], shape[1], nullptr, shape[2]);
        const int32_t count = (fast.gridColumns + 1) * (fast.gridRows + 1);
        for (TunnelMapper* m : {&fast, &reference}) {
            m->setPosition(0.1f, 0.05f, 3.0f);
            m->setRotation(0.4f, 1.3f, -0.7f);
        }
        fast.traceNodes(777);
        traceNodesReference(reference, 777);
        EXPECT_EQ(std::memcmp(fast.nodes.get(), reference.nodes.get(), sizeof(TunnelNode) * count), 0)
            << shape[0] << "x" << shape[1] << " blocks of " << shape[2] << ", " << count << " nodes";
    }
}

}  // namespace
