#include "app/timeline.h"

#include <cstdint>

#include "effects/spheres/credits_sphere_effect.h"
#include "effects/spheres/orbit_spheres_effect.h"
#include "effects/picture_flash_effect.h"
#include "effects/title_card_effect.h"
#include "effects/tunnel/tunnel_effect.h"
#include "effects/video/video_effect.h"

namespace {

Effect* addEffect(Timeline& timeline, std::unique_ptr<Effect> effect)
{
    Effect* e = effect.get();
    timeline.owned.push_back(std::move(effect));
    timeline.windows.push_back(std::make_unique<TimeWindow>(TimeWindow{e->start, e->end}));
    e->addWindow(timeline.windows.back().get());
    timeline.effects.add(e);
    return e;
}

void addExtraWindow(Timeline& timeline, Effect* e, int32_t start, int32_t end)
{
    timeline.windows.push_back(std::make_unique<TimeWindow>(TimeWindow{start, end}));
    e->addWindow(timeline.windows.back().get());
}

}  // namespace

void Timeline::destroyVideo()
{
    for (auto& e : owned)
        if (e.get() == video)
            e.reset();
    video = nullptr;
}

void buildTimeline(Timeline& timeline)
{
    // The order is part of the programme: effects with equal starts are
    // activated in this order, which decides who draws over whom in a layer.
    addEffect(timeline, std::make_unique<TitleCardEffect>(0, 21000, 5));
    timeline.video = addEffect(timeline, std::make_unique<VideoEffect>(21000, 60100, 4));
    // Lies outside the video's span, so the scheduler never reaches it.
    addExtraWindow(timeline, timeline.video, 90000, 120000);
    Effect* spheres = addEffect(timeline, std::make_unique<OrbitSpheresEffect>(0, 21000, 3));
    // A window that ends before it starts: it never contains a time, so it
    // changes nothing; kept because the programme has always carried it.
    addExtraWindow(timeline, spheres, 80000, 12000);
    addEffect(timeline, std::make_unique<TunnelEffect>(60100, 120000, 1));
    addEffect(timeline, std::make_unique<CreditsSphereEffect>(67000, 120000, 2));
    addEffect(timeline, std::make_unique<PictureFlashEffect>(90000, 120000, 3));
}
