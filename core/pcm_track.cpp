#include "core/pcm_track.h"

#include <algorithm>
#include <cstring>
#include <limits>

int64_t pcmFrameAtMs(int32_t ms) {
    if (ms <= 0)
        return 0;
    return (static_cast<int64_t>(ms) * kPcmRate + 999) / 1000;
}

int32_t pcmMsAtFrame(int64_t frame) {
    if (frame <= 0)
        return 0;
    // Split so that frame * 1000 cannot overflow for any frame count.
    const int64_t whole = frame / kPcmRate;
    const int64_t rest = frame % kPcmRate;
    const int64_t limit = std::numeric_limits<int32_t>::max();
    if (whole > limit / 1000)
        return std::numeric_limits<int32_t>::max();
    const int64_t ms = whole * 1000 + rest * 1000 / kPcmRate;
    return static_cast<int32_t>(std::min(ms, limit));
}

void copyPcmFrames(const PcmTrack& track, int64_t firstFrame, int16_t* out, int64_t frameCount) {
    if (frameCount <= 0)
        return;
    std::memset(out, 0, static_cast<size_t>(frameCount) * kPcmChannels * sizeof(int16_t));
    // The part of [firstFrame, firstFrame + frameCount) that lies inside the track.
    const int64_t from = std::max<int64_t>(firstFrame, 0);
    const int64_t to = std::min(firstFrame + frameCount, track.frameCount());
    if (to <= from)
        return;
    std::memcpy(out + (from - firstFrame) * kPcmChannels, track.samples.data() + from * kPcmChannels,
                static_cast<size_t>(to - from) * kPcmChannels * sizeof(int16_t));
}
