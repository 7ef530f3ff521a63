// The programme's times are pinned by the golden frames on both sides of
// every edge; what they cannot see is what closing the video leaves behind.
#include <gtest/gtest.h>

#include <typeinfo>

#include "app/programme.h"
#include "effects/video/video_effect.h"

namespace {

// Runs in the build folder, whose data/ holds the default data set.
TEST(Timeline, ClosingTheVideoLeavesNoTraceOfItInTheList)
{
    std::unique_ptr<Programme> programme = openProgramme();
    const Effect* video = programme->owned[1].get();
    ASSERT_EQ(typeid(*video), typeid(VideoEffect));
    const int32_t count = programme->effects.registered.count;
    programme->closeVideo();
    EXPECT_EQ(programme->owned[1], nullptr);
    ASSERT_EQ(programme->effects.registered.count, count - 1);
    for (int32_t k = 0; k < programme->effects.registered.count; ++k)
        EXPECT_NE(programme->effects.registered.scratch[k].effect, video) << k;
}

}  // namespace
