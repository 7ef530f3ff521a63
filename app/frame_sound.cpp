#include "app/frame_sound.h"

#include <algorithm>
#include <cstddef>

void frameSound(const PcmTrack& track, const FrameClock& clock, int64_t frame, std::vector<int16_t>& out)
{
    const int64_t begin = clock.audioFrameAt(frame, kPcmRate);
    const int64_t end = clock.audioFrameAt(frame + 1, kPcmRate);
    const int64_t first = pcmFrameAtMs(clock.fromMs);
    out.resize(std::size_t(end - begin) * kPcmChannels);
    copyPcmFrames(track, first + begin, out.data(), end - begin);

    // The gain falls in a straight line to the last frame's 1/kFadeOutFrames,
    // in integers so every run gives the same bytes.
    const int64_t total = runSoundFrames(clock);
    if (first + total >= track.frameCount())
        return;  // the music has ended by then: nothing to cut off
    const int64_t fade = std::min(kFadeOutFrames, total);
    for (int64_t i = std::max(begin, total - fade); i < end; ++i)
        for (int c = 0; c < kPcmChannels; ++c) {
            int16_t& s = out[std::size_t((i - begin) * kPcmChannels + c)];
            s = int16_t(int64_t(s) * (total - i) / fade);
        }
}

int64_t runSoundFrames(const FrameClock& clock) { return clock.audioFrameAt(clock.frameCount(), kPcmRate); }

int32_t trackEndMs(const PcmTrack& track)
{
    const int64_t ms = (track.frameCount() * 1000 + kPcmRate - 1) / kPcmRate;
    return int32_t(std::min<int64_t>(ms, INT32_MAX));
}
