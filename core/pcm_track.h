#pragma once
// The soundtrack as plain PCM: 16-bit signed samples, two channels
// interleaved (left, right), 44100 frames a second. The player plays it and
// an offline capture can take its samples from any music time without an
// audio device. Decoding it from a file is media's (mp3_decode.h).
#include <cstdint>
#include <vector>

constexpr int32_t kPcmRate = 44100;
constexpr int32_t kPcmChannels = 2;

struct PcmTrack {
    std::vector<int16_t> samples;  // kPcmChannels per frame

    int64_t frameCount() const { return static_cast<int64_t>(samples.size()) / kPcmChannels; }
};

// The first frame at or after music time ms (rounded up, so that
// pcmMsAtFrame(pcmFrameAtMs(ms)) == ms). Negative ms gives frame 0.
int64_t pcmFrameAtMs(int32_t ms);

// The music time of a frame in whole milliseconds, truncated; saturates at
// INT32_MAX.
int32_t pcmMsAtFrame(int64_t frame);

// Copies frameCount frames starting at firstFrame into out (interleaved).
// Frames outside the track, before its start or past its end, are silence.
void copyPcmFrames(const PcmTrack& track, int64_t firstFrame, int16_t* out, int64_t frameCount);
