#include <gtest/gtest.h>

#include <array>
#include <typeinfo>
#include <vector>

#include "app/programme.h"
#include "effects/spheres/credits_sphere_effect.h"
#include "effects/spheres/orbit_spheres_effect.h"
#include "effects/picture_flash_effect.h"
#include "effects/title_card_effect.h"
#include "effects/tunnel/tunnel_effect.h"
#include "effects/video/video_effect.h"

namespace {

struct Row {
    const std::type_info& type;
    int32_t start, end, layer;
    std::vector<TimeWindow> windows;  // newest first, as the effect walks them
};

// The programme in construction order. Runs in the build folder, whose data/
// holds the default data set.
TEST(Timeline, HoldsTheProgrammeInItsFixedOrder)
{
    const std::vector<Row> expected = {
        {typeid(TitleCardEffect), 0, 21000, 5, {{0, 21000}}},
        {typeid(VideoEffect), 21000, 60100, 4, {{90000, 120000}, {21000, 60100}}},
        {typeid(OrbitSpheresEffect), 0, 21000, 3, {{80000, 12000}, {0, 21000}}},
        {typeid(TunnelEffect), 60100, 120000, 1, {{60100, 120000}}},
        {typeid(CreditsSphereEffect), 67000, 120000, 2, {{67000, 120000}}},
        {typeid(PictureFlashEffect), 90000, 120000, 3, {{90000, 120000}}},
    };
    std::unique_ptr<Programme> programme = openProgramme();
    Programme& timeline = *programme;
    ASSERT_EQ(timeline.owned.size(), expected.size());
    ASSERT_EQ(timeline.effects.registered.count, int32_t(expected.size()));
    // Sorted by start; equal starts stay in construction order.
    const size_t byStart[] = {0, 2, 1, 3, 4, 5};
    for (size_t i = 0; i < expected.size(); ++i) {
        Effect& e = *timeline.owned[i];
        const Row& row = expected[i];
        EXPECT_EQ(typeid(e), row.type) << i;
        EXPECT_EQ((std::array<int32_t, 3>{e.start, e.end, e.layer}), (std::array<int32_t, 3>{row.start, row.end, row.layer})) << i;
        EXPECT_EQ(timeline.effects.registered.scratch[i].effect, timeline.owned[byStart[i]].get()) << i;
        std::vector<TimeWindow> windows;
        for (TimeWindow* w = e.windows.first(); w; w = e.windows.next())
            windows.push_back(*w);
        ASSERT_EQ(windows.size(), row.windows.size()) << i;
        for (size_t k = 0; k < windows.size(); ++k)
            EXPECT_TRUE(windows[k].start == row.windows[k].start && windows[k].end == row.windows[k].end) << i;
    }
    // Closing the video leaves no trace of it in the list.
    const Effect* video = timeline.owned[1].get();
    timeline.closeVideo();
    EXPECT_EQ(timeline.owned[1], nullptr);
    ASSERT_EQ(timeline.effects.registered.count, int32_t(expected.size()) - 1);
    for (int32_t k = 0; k < timeline.effects.registered.count; ++k)
        EXPECT_NE(timeline.effects.registered.scratch[k].effect, video) << k;
}

}  // namespace
