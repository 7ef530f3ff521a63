// The tunnel's fast node steps and block fill against their plain forms.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "effects/tunnel/tunnel_axis_trace.h"
#include "effects/tunnel/tunnel_fill.h"
#include "effects/tunnel/tunnel_mapper.h"
#include "effects/tunnel/tunnel_trace.h"

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

// QUARNEL_TUNNEL_STEP=1 checks every millisecond of the effect's window.
TEST(TunnelTrace, TracedNodesEqualTheReferenceOverTheWholeProgramme)
{
    TunnelMapper fast(320, 240, nullptr, 8), reference(320, 240, nullptr, 8);
    const int32_t count = 41 * 31;
    const long step = std::max(1L, testsupport::envLong("QUARNEL_TUNNEL_STEP", 97));
    for (int32_t ms = 1; ms < 60000; ms += int32_t(step)) {
        const double t = ms;
        for (TunnelMapper* m : {&fast, &reference}) {
            m->setPosition(0.0f, 0.0f, float(double(0.08f) * t));
            m->setRotation(float(double(0.00012f) * t), float(double(0.0007f) * t), float(double(0.00083f) * t));
        }
        fast.traceNodes(4 * ms);
        reference.traceNodesReference(4 * ms);
        ASSERT_EQ(std::memcmp(fast.nodes.get(), reference.nodes.get(), sizeof(TunnelNode) * count), 0) << ms;
    }
    // An eye off the axis and an odd phase, which the effect never uses.
    fast.setPosition(0.3f, -0.2f, 5.0f);
    reference.setPosition(0.3f, -0.2f, 5.0f);
    fast.traceNodes(-123457);
    reference.traceNodesReference(-123457);
    EXPECT_EQ(std::memcmp(fast.nodes.get(), reference.nodes.get(), sizeof(TunnelNode) * count), 0);
}

using OnAxisTracer = void (*)(const Vec3*, const Matrix4&, int32_t, double, const Vec3&, TunnelNode*);

// Every form of the on-axis trace this build and processor can run.
std::vector<std::pair<const char*, OnAxisTracer>> onAxisTracers()
{
    std::vector<std::pair<const char*, OnAxisTracer>> tracers = {{"plain", traceOnAxisPlain}};
#if defined(__SSE2__)
    tracers.emplace_back("sse2", traceOnAxisSse2);
#endif
#if defined(QUARNEL_TUNNEL_AVX)
    if (avxSupported())
        tracers.emplace_back("avx", traceOnAxisAvx);
#endif
    return tracers;
}

// The on-axis tracers (plain, SSE2, AVX when the processor has it) against
// the reference node by node: random rotations, phases and depths, eyes at
// +0 and -0, adversarial view directions (axes, both zeros, lobe and texel
// boundaries, a direction along the axis), and every count of nodes up to
// 50 so that every tail of the two-, four- and 24-lane steps is met, the
// 24-lane one (six groups of four) twice over.
TEST(TunnelTrace, OnAxisTracersEqualTheReferenceNodeByNode)
{
    std::mt19937 rng(31);
    std::vector<Vec3> directions;
    for (const auto& [x, y] : adversarialPoints(rng))
        directions.emplace_back(x, y, (directions.size() % 3) == 0 ? 1.0f : 0.37f);
    directions.emplace_back(0.0f, 0.0f, 1.0f);
    directions.emplace_back(-0.0f, 0.0f, -1.0f);
    std::uniform_real_distribution<float> angle(-7.0f, 7.0f), depth(-5000.0f, 5000.0f);

    const auto tracers = onAxisTracers();
    ASSERT_GE(directions.size(), 1000u + 50u);
    std::vector<TunnelNode> expected(directions.size()), got(directions.size());
    for (int round = 0; round < 12; ++round) {
        Matrix4 rotation;
        rotation.setIdentity();
        if (round > 0)
            rotation.setRotation(angle(rng), angle(rng), angle(rng));
        const Vec3 eye(round % 2 ? -0.0f : 0.0f, round % 3 ? 0.0f : -0.0f, round < 2 ? 0.0f : depth(rng));
        const double s = round < 4 ? std::vector<double>{0.0, 1.0, -1.0, -0.0}[round] : std::sin(0.001 * int32_t(rng()));
        ASSERT_TRUE(onAxisTraceApplies(eye, s));
        for (size_t i = 0; i < directions.size(); ++i)
            expected[i] = traceNodeExact(rotation.transformPoint(directions[i]), s, eye);
        for (const auto& [name, trace] : tracers) {
            std::fill(got.begin(), got.end(), TunnelNode{-7, -7});
            trace(directions.data(), rotation, int32_t(directions.size()), s, eye, got.data());
            for (size_t i = 0; i < directions.size(); ++i)
                ASSERT_TRUE(got[i].u == expected[i].u && got[i].v == expected[i].v)
                    << name << " round " << round << " node " << i << ": " << got[i].u << "," << got[i].v
                    << " expected " << expected[i].u << "," << expected[i].v;
            // Short runs: each tail, and nothing written past the count.
            for (int32_t count = 1; count <= 50; ++count) {
                std::vector<TunnelNode> part(count + 1, TunnelNode{-7, -7});
                trace(directions.data() + 1000, rotation, count, s, eye, part.data());
                for (int32_t i = 0; i < count; ++i)
                    ASSERT_TRUE(part[i].u == expected[1000 + i].u && part[i].v == expected[1000 + i].v)
                        << name << " count " << count << " node " << i;
                ASSERT_EQ(part[count].u, -7) << name << " count " << count;
            }
        }
    }
    // An eye off the axis or an out-of-range wobble is not the on-axis case.
    EXPECT_FALSE(onAxisTraceApplies(Vec3(1e-30f, 0.0f, 0.0f), 0.5));
    EXPECT_FALSE(onAxisTraceApplies(Vec3(0.0f, 0.0f, 0.0f), 1.5));
}

// A node the fast steps cannot vouch for (a sight line along the axis, or
// one with tiny sideways parts) at each lane of a step of 24, alone and in
// pairs across the six groups of four and into the next step, among nodes
// they do vouch for:
// every tracer puts the reference node in that lane and leaves the others
// to the fast steps.
TEST(TunnelTrace, NodesLeftToTheReferenceLandInTheirOwnLanes)
{
    std::mt19937 rng(37);
    std::uniform_real_distribution<float> side(-1.0f, 1.0f);
    const auto tracers = onAxisTracers();
    Matrix4 identity;
    identity.setIdentity();
    const Vec3 eye(0.0f, 0.0f, 123.0f);
    const double s = 0.75;
    const Vec3 doubtful[] = {Vec3(0.0f, 0.0f, 1.0f), Vec3(1e-35f, -1e-35f, 1.0f)};
    constexpr int kNodes = 48;  // two steps of the widest tracer
    for (int first = 0; first < 24; ++first) {
        for (int second = first; second < kNodes; second += 5) {
            std::vector<Vec3> directions(kNodes);
            for (Vec3& d : directions)
                d = Vec3(side(rng), side(rng), 1.0f);
            directions[first] = doubtful[first % 2];
            directions[second] = doubtful[second % 2];
            std::vector<TunnelNode> expected(kNodes);
            for (int i = 0; i < kNodes; ++i)
                expected[i] = traceNodeExact(directions[i], s, eye);
            for (const auto& [name, trace] : tracers) {
                for (int32_t count : {kNodes, second + 1}) {
                    std::vector<TunnelNode> got(kNodes + 1, TunnelNode{-7, -7});
                    trace(directions.data(), identity, count, s, eye, got.data());
                    for (int i = 0; i < count; ++i)
                        ASSERT_TRUE(got[i].u == expected[i].u && got[i].v == expected[i].v)
                            << name << " doubtful lanes " << first << ", " << second << ", count " << count
                            << ": node " << i;
                    ASSERT_EQ(got[count].u, -7) << name;
                }
            }
        }
    }
}

// Nodes are traced in batches: grids whose node count is below one batch,
// exactly one, and a batch and a bit give the reference nodes too.
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
        reference.traceNodesReference(777);
        EXPECT_EQ(std::memcmp(fast.nodes.get(), reference.nodes.get(), sizeof(TunnelNode) * count), 0)
            << shape[0] << "x" << shape[1] << " blocks of " << shape[2] << ", " << count << " nodes";
    }
}

TEST(TunnelFill, FixedSizeKernelsWriteWhatTheGeneralFillWrites)
{
    std::mt19937 rng(23);
    std::vector<uint32_t> texture(256 * 256);
    for (uint32_t& t : texture)
        t = rng();
    constexpr int kStride = 37;  // the block sits inside a wider buffer
    std::vector<uint32_t> expected(kStride * 12), plain(kStride * 12);
    const int32_t extremes[] = {0, 1, -1, 255, 256, -256, 8388607, -8388608, std::numeric_limits<int32_t>::max(),
                                std::numeric_limits<int32_t>::min()};
    std::uniform_int_distribution<int32_t> near(-3000, 3000);
    for (int round = 0; round < 3000; ++round) {
        int32_t c[8];
        for (int32_t& v : c)
            v = round % 3 == 0 ? extremes[rng() % 10] : round % 3 == 1 ? near(rng) : int32_t(rng());
        std::fill(expected.begin(), expected.end(), 0u);
        plain = expected;
        TunnelMapper::fillTextureBlock(expected.data(), kStride, 3, 2, 8, c[0], c[1], c[2], c[3], c[4], c[5], c[6],
                                       c[7], texture.data());
        fillTextureBlockFixed<8>(plain.data() + 2 * kStride + 3, kStride, c[0], c[1], c[2], c[3], c[4], c[5], c[6],
                                 c[7], texture.data());
        ASSERT_EQ(plain, expected) << round;
    }
}

// A row of blocks across: every width from 1 to 90 blocks (partial groups of
// eight, one pass of 40 and more than one), node values near each other,
// anywhere in 32 bits, and at the extremes; pixels around the row stay
// untouched.
TEST(TunnelFill, BlockRowKernelsWriteWhatTheBlockFillWrites)
{
    std::mt19937 rng(29);
    std::vector<uint32_t> texture(256 * 256);
    for (uint32_t& t : texture)
        t = rng();
    const int32_t extremes[] = {0, 1, -1, 7, -9, 255, 256, -256, 8388607, -8388608,
                                std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::min()};
    std::uniform_int_distribution<int32_t> near(-3000, 3000);
    for (int32_t blocks = 1; blocks <= 90; ++blocks) {
        const int32_t stride = 8 * blocks + 5;
        for (int round = 0; round < 12; ++round) {
            // Exactly 2 (blocks + 1) nodes, so reading past them is caught by
            // the address sanitizer build.
            std::vector<TunnelNode> top(blocks + 1), bottom(blocks + 1);
            for (std::vector<TunnelNode>* row : {&top, &bottom})
                for (TunnelNode& n : *row) {
                    const auto pick = [&]() -> int32_t {
                        switch (round % 3) {
                        case 0: return extremes[rng() % 12];
                        case 1: return near(rng);
                        default: return int32_t(rng());
                        }
                    };
                    n = TunnelNode{pick(), pick()};
                }
            std::vector<uint32_t> expected(stride * 10, 0xDEADBEEFu);
            std::vector<uint32_t> plain = expected;
            std::vector<uint32_t> fast = expected;
            for (int32_t j = 0; j < blocks; ++j)
                TunnelMapper::fillTextureBlock(expected.data(), stride, 8 * j + 2, 1, 8, top[j].u, top[j].v,
                                               top[j + 1].u, top[j + 1].v, bottom[j].u, bottom[j].v, bottom[j + 1].u,
                                               bottom[j + 1].v, texture.data());
            fillBlockRow8Plain(plain.data() + stride + 2, stride, top.data(), bottom.data(), blocks, texture.data());
            ASSERT_EQ(plain, expected) << blocks << " blocks, round " << round;
#if defined(__SSE2__)
            fillBlockRow8Sse2(fast.data() + stride + 2, stride, top.data(), bottom.data(), blocks, texture.data());
            ASSERT_EQ(fast, expected) << blocks << " blocks, round " << round;
#endif
#if defined(QUARNEL_TUNNEL_FILL_AVX2)
            if (fillAvx2Supported()) {
                std::vector<uint32_t> wide(stride * 10, 0xDEADBEEFu);
                fillBlockRow8Avx2(wide.data() + stride + 2, stride, top.data(), bottom.data(), blocks,
                                  texture.data());
                ASSERT_EQ(wide, expected) << blocks << " blocks, round " << round << " (AVX2)";
            }
#endif
        }
    }
}

}  // namespace
