// The tunnel: the cylinder hit and the effect as the timeline drives it (the
// traced grid and the 24.8 block fill are pinned by the golden frames, the
// fill's forms by kernel_forms_test.cpp).
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "core/frame.h"
#include "effects/tunnel/tunnel_effect.h"
#include "effects/tunnel/tunnel_mapper.h"
#include "tools/generators.h"
#include "test_support.h"

// The frame the code under test draws into, as the frame loop would pass it.
static Frame frameUnderTest;

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
