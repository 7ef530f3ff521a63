#pragma once
// The clock of the offline modes (--capture, --frames, --bench): the frame
// index, not a sound device, decides the music time. Frame i shows music time
// from + i * 1000 / fps in whole milliseconds, as the live clock reports whole
// milliseconds, and carries the soundtrack's samples from its own start up to
// the next frame's, so picture and sound never drift apart.
#include <cstdint>

struct FrameClock {
    int32_t fromMs = 0;  // music time of frame 0
    int32_t toMs = 0;    // frames run while their music time is before this
    int32_t fps = 60;

    // Frames i >= 0 whose music time is before toMs: ceil((to - from) * fps / 1000).
    int64_t frameCount() const;

    // Music time of frame i, truncated to whole milliseconds.
    int32_t musicMs(int64_t frame) const;

    // The first audio frame (at sampleRate per second, counted from the
    // capture's start) that belongs to video frame i: floor(i * rate / fps).
    // Frame i owns [audioFrameAt(i), audioFrameAt(i + 1)).
    int64_t audioFrameAt(int64_t frame, int32_t sampleRate) const;
};
