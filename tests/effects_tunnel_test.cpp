// The tunnel's cylinder hit (the effect's frames are pinned by the golden
// frames and held to a run of frames by tests/whole/capture_frames.sh; the
// fill's forms are in kernel_forms_test.cpp).
#include <gtest/gtest.h>

#include "effects/tunnel/tunnel_mapper.h"

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
