#pragma once
// The fixed programme: every effect with its span, layer and time windows.
#include <memory>
#include <vector>

#include "core/effect.h"
#include "core/effect_list.h"

struct Timeline {
    EffectList effects;
    std::vector<std::unique_ptr<Effect>> owned;         // in construction order
    std::vector<std::unique_ptr<TimeWindow>> windows;
    Effect* video = nullptr;  // destroyed explicitly at shutdown, before the sound closes

    // Destroys the video effect (closing the video file) ahead of the rest.
    void destroyVideo();
};

// Constructs every effect in the programme's fixed order and registers it;
// a constructor whose data cannot be read ends the process through fatal.
// The list is left unprepared.
void buildTimeline(Timeline& timeline);
