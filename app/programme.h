#pragma once
// The programme as it runs: every effect on its fixed timeline, the frame
// they draw into, and the one frame loop that play, --frame-at, --bench,
// --capture and --frames all run.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "core/effect.h"
#include "core/effect_list.h"
#include "core/frame.h"
#include "core/video_source.h"
#include "pixel/glyph_source.h"

class Programme {
public:
    // Constructs every effect in the programme's fixed order, registers it
    // and prepares the list. The title card draws with glyphs, which must
    // outlive the programme; the video effect opens its video through
    // openVideo. An effect whose data cannot be used throws StartupError.
    Programme(GlyphSource& glyphs, const VideoOpener& openVideo);
    // The video effect goes first (see closeVideo), then the rest.
    ~Programme();
    Programme(const Programme&) = delete;
    Programme& operator=(const Programme&) = delete;

    // Destroys the video effect, closing the video file, and takes it off the
    // list. Shutting down, it goes before the sound closes. Safe twice.
    void closeVideo();

    // The frame loop. While next sets the music time of another frame, clears
    // the frame, draws every live effect at that time, advances the frame
    // counter and hands the frame to shown, which returns false to stop.
    void run(const std::function<bool(int32_t& t)>& next, const std::function<bool()>& shown);

    Frame frame;
    EffectList effects;
    std::vector<std::unique_ptr<Effect>> owned;  // in construction order
    std::vector<std::unique_ptr<TimeWindow>> windows;

private:
    Effect* video_ = nullptr;
};

// The programme drawn with the system's fonts and the data folder's video.
std::unique_ptr<Programme> openProgramme();
