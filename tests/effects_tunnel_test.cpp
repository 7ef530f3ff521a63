// The tunnel: the cylinder hit, the 24.8 block fill and the effect as the
// timeline drives it (the traced grid is pinned by the golden frames).
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/frame.h"
#include "effects/tunnel/tunnel_effect.h"
#include "effects/tunnel/tunnel_mapper.h"
#include "tools/generators.h"
#include "test_support.h"

// The frame the code under test draws into, as the frame loop would pass it.
static Frame frameUnderTest;

namespace {

constexpr int kTex = TunnelMapper::kTextureSize;

// A texture whose texel names its own position: 0xFF00RRCC for row RR and
// column CC. The top byte tells written pixels from the zeroed target.
std::vector<uint32_t> indexTexture()
{
    std::vector<uint32_t> t(kTex * kTex);
    for (int i = 0; i < kTex * kTex; ++i)
        t[i] = 0xFF000000u | uint32_t(i);
    return t;
}

uint32_t texel(int row, int column) { return 0xFF000000u | uint32_t((row & 255) * kTex + (column & 255)); }

}  // namespace

// ---------------------------------------------------------------- block fill

TEST(TunnelBlockFill, EqualCornersGiveOneTexelWrappedToTheTexture)
{
    const std::vector<uint32_t> tex = indexTexture();
    // Coordinates far outside 0..255, negative and positive, up to the 32-bit
    // limits where the 24.8 shift loses the top bits: only the low 8 bits count.
    const int32_t values[] = {0, 7, 255, 256, -1, -3, 1000005, -1000005, INT32_MAX, INT32_MIN, 0x00FFFFFF + 77};
    for (const int32_t u : values) {
        for (const int32_t v : values) {
            std::vector<uint32_t> target(8 * 8, 0);
            TunnelMapper::fillTextureBlock(target.data(), 8, 0, 0, 8, u, v, u, v, u, v, u, v, tex.data());
            for (const uint32_t p : target)
                ASSERT_EQ(p, texel(v, u)) << "u " << u << " v " << v;
        }
    }
}

TEST(TunnelBlockFill, RowsSampleTheirLowerEdgeAndStepsTruncateTowardZero)
{
    const std::vector<uint32_t> tex = indexTexture();
    std::vector<uint32_t> target(8 * 8, 0);
    // u grows 0..8 left to right, v 0..8 top to bottom: row k lies (k + 1) / 8
    // of the way down (texture row k + 1, the last row on the bottom corners),
    // pixel m lies m / 8 of the way across.
    TunnelMapper::fillTextureBlock(target.data(), 8, 0, 0, 8, 0, 0, 8, 0, 0, 8, 8, 8, tex.data());
    for (int k = 0; k < 8; ++k)
        for (int m = 0; m < 8; ++m)
            EXPECT_EQ(target[k * 8 + m], texel(k + 1, m)) << m << "," << k;

    // n = 3, v from 0 to -1: the step -256 / 3 truncates to -85, so the rows
    // sit at -85, -170, -255 (24.8), all in texel -1 = row 255; a floored step
    // (-86) would reach texel -2. From 0 to +1 even the last row (255) stays
    // in texel 0.
    for (const int32_t bottom : {-1, 1}) {
        TunnelMapper::fillTextureBlock(target.data(), 3, 0, 0, 3, 0, 0, 0, 0, 0, bottom, 0, bottom, tex.data());
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(target[k * 3], texel(bottom < 0 ? 255 : 0, 0)) << bottom << " row " << k;
    }
}

// ------------------------------------------------------------- cylinder hit

TEST(TunnelCylinderHit, TakesTheSmallerRootOnlyWhenNegative)
{
    struct Case {
        Vec3 origin, direction;
        double distance;
    };
    const Case cases[] = {
        {{0, 0, 3}, {1, 0, 0}, -1.0},       // from the axis: the wall behind the eye
        {{0.5f, 0, 0}, {1, 0, 0}, -1.5},    // off the axis inside: roots 0.5 and -1.5
        {{2, 0, 0}, {1, 0, 0}, -3.0},       // outside, cylinder behind: roots -1 and -3
        {{-2, 0, 0}, {1, 0, 0}, TunnelMapper::kNoHit},  // outside, both roots ahead
        {{2, 0, 0}, {0, 1, 0}, TunnelMapper::kNoHit},   // misses: negative discriminant
        {{0.25f, -0.5f, 5}, {0, 0, -1}, TunnelMapper::kNoHit},  // along the axis: A = 0
    };
    for (const Case& c : cases) {
        const double d = TunnelMapper::cylinderHitDistance(c.origin, c.direction);
        EXPECT_DOUBLE_EQ(d, c.distance) << c.origin.x << " " << c.direction.x << " " << c.direction.y;
    }
    EXPECT_EQ(TunnelMapper::cylinderHit(Vec3(0, 0, 5), Vec3(0, 0, 1)).z, 10004.0f);
}

// ------------------------------------------------------------------- mapper

TEST(TunnelMapper, BlocksInterpolateTheirFourCornerNodes)
{
    const std::vector<uint32_t> tex = indexTexture();
    std::vector<uint32_t> target(320 * 240, 0);
    TunnelMapper mapper(320, 240, tex.data(), 8);
    // Nodes set to their own pixel position (u = x, v = y): each block then
    // shows u = x and v = y + 1 exactly, which only holds if every block gets
    // its own four corners in the right places.
    for (int r = 0; r <= 30; ++r)
        for (int c = 0; c <= 40; ++c)
            mapper.node(r, c) = TunnelNode{8 * c, 8 * r};
    mapper.fillBlocks(target.data());
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x)
            ASSERT_EQ(target[y * 320 + x], texel(y + 1, x)) << x << "," << y;
}

// ------------------------------------------------------------------- effect

// Runs each test in an empty directory of its own with a data/ folder.
class TunnelEffectTest : public ::testing::Test {
    testsupport::ScratchWorkDir dir;
};

TEST_F(TunnelEffectTest, FillsTheFrameTheSameWayEveryTimeForTheSameTime)
{
    ASSERT_TRUE(writeTunnelTexture("data/tunnel.raw"));
    TunnelEffect effect(60100, 120000, 1);
    ASSERT_NE(effect.texture, nullptr);

    // The texture's top bytes are 0: a marked pixel left over was not written.
    std::fill(std::begin(frameUnderTest.framebuffer), std::end(frameUnderTest.framebuffer), 0xFF000000u);
    effect.render(frameUnderTest, 1234);
    const std::vector<uint32_t> first(std::begin(frameUnderTest.framebuffer), std::end(frameUnderTest.framebuffer));
    for (const uint32_t p : first)
        ASSERT_EQ(p >> 24, 0u);
    EXPECT_FLOAT_EQ(effect.mapper->position.z, 98.72f);

    effect.render(frameUnderTest, 40000);
    const std::vector<uint32_t> other(std::begin(frameUnderTest.framebuffer), std::end(frameUnderTest.framebuffer));
    EXPECT_NE(first, other);

    std::fill(std::begin(frameUnderTest.framebuffer), std::end(frameUnderTest.framebuffer), 0xFF000000u);
    effect.render(frameUnderTest, 1234);
    EXPECT_TRUE(std::equal(first.begin(), first.end(), std::begin(frameUnderTest.framebuffer)));
}
