// The opening 3D scene: the console line, and the same picture for the same
// time whatever was drawn before (the picture itself is pinned by the golden frames).
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "core/frame.h"
#include "effects/spheres/orbit_spheres_effect.h"

// The frame the code under test draws into, as the frame loop would pass it.
static Frame frameUnderTest;

namespace {

TEST(OrbitSpheres, PrintsItsTimeAndDrawsTheSameSpheresOnWhiteForTheSameTime)
{
    OrbitSpheresEffect effect(0, 21000, 3);
    const auto renderAt = [&](int32_t localMs, const char* line) {
        testing::internal::CaptureStdout();
        effect.render(frameUnderTest, localMs);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), line);
        return std::vector<uint32_t>(frameUnderTest.framebuffer, frameUnderTest.framebuffer + kFramePixels);
    };

    std::fill_n(frameUnderTest.framebuffer, kFramePixels, 0x00FF0000u);  // replaced by the white fill
    const std::vector<uint32_t> first = renderAt(4321, "sphere... 4321\n");
    EXPECT_EQ(std::count(first.begin(), first.end(), 0x00FF0000u), 0);

    renderAt(17000, "sphere... 17000\n");
    EXPECT_EQ(renderAt(4321, "sphere... 4321\n"), first);  // nothing carries over
    renderAt(-1, "sphere... 4294967295\n");
}

}  // namespace
