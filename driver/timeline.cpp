#include "driver/timeline.h"

#include <cstdint>

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

[[maybe_unused]] void addExtraWindow(Timeline& timeline, Effect* e, int32_t start, int32_t end)
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
    (void)timeline;
    (void)addEffect;
}
