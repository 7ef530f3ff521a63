#include "app/frame_clock.h"

int64_t FrameClock::frameCount() const
{
    const int64_t span = int64_t(toMs) - fromMs;
    if (span <= 0 || fps <= 0)
        return 0;
    // floor(i * 1000 / fps) < span holds exactly when i * 1000 < span * fps.
    return (span * fps + 999) / 1000;
}

int32_t FrameClock::musicMs(int64_t frame) const { return int32_t(fromMs + frame * 1000 / fps); }

int64_t FrameClock::audioFrameAt(int64_t frame, int32_t sampleRate) const { return frame * sampleRate / fps; }
