#pragma once
// The last item of the programme: every so often a full-screen picture is
// subtracted from the frame, a short dark negative flash of it. The rhythm
// comes from the frame's frameCounter, not from the music time.
#include <cstdint>
#include <memory>

#include "core/effect.h"

class PictureFlashEffect : public Effect {
public:
    std::unique_ptr<uint32_t[]> picture;  // 320 x 240 pixels from "data/velina.raw"

    // Loads the picture; a missing file throws StartupError.
    PictureFlashEffect(int32_t start, int32_t end, int32_t layer);

    // Flashes when frameCounter has bit 5 or bit 7 set, and then resets the
    // counter; otherwise leaves the frame alone. localMs is not used.
    void render(Frame& frame, int32_t localMs) override;
};
