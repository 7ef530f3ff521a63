#include "driver/frame_sound.h"

#include <cstddef>

void frameSound(const PcmTrack& track, const FrameClock& clock, int64_t frame, std::vector<int16_t>& out)
{
    const int64_t begin = clock.audioFrameAt(frame, kPcmRate);
    const int64_t end = clock.audioFrameAt(frame + 1, kPcmRate);
    out.resize(std::size_t(end - begin) * kPcmChannels);
    copyPcmFrames(track, pcmFrameAtMs(clock.fromMs) + begin, out.data(), end - begin);
}

void runSound(const PcmTrack& track, const FrameClock& clock, std::vector<int16_t>& out)
{
    const int64_t count = clock.audioFrameAt(clock.frameCount(), kPcmRate);
    out.resize(std::size_t(count) * kPcmChannels);
    copyPcmFrames(track, pcmFrameAtMs(clock.fromMs), out.data(), count);
}
