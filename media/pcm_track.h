#pragma once
// The soundtrack as plain PCM: 16-bit signed samples, two channels
// interleaved (left, right), 44100 frames a second. The player plays it and
// an offline capture can take its samples from any music time without an
// audio device.
#include <cstdint>
#include <string>
#include <vector>

constexpr int32_t kPcmRate = 44100;
constexpr int32_t kPcmChannels = 2;

struct PcmTrack {
    std::vector<int16_t> samples;  // kPcmChannels per frame

    int64_t frameCount() const { return static_cast<int64_t>(samples.size()) / kPcmChannels; }
};

// The longest soundtrack kept: ten minutes is some 106 MB of samples, and
// the demo's timeline is two. A longer file plays its first ten minutes.
constexpr int32_t kMaxTrackMinutes = 10;

// What the decoder has to say about a file besides its samples.
struct Mp3Notes {
    // Why the file was refused, a short phrase to put after its name:
    // "missing", "empty", "not a regular file", "unreadable: <system error>",
    // "not an MP3 file?", "could not resample". Empty when it decoded.
    std::string refusal;
    // The file was longer than kMaxTrackMinutes; only their worth was kept.
    bool cut = false;
};

// Decodes an MP3 (MPEG audio) file to 44100 Hz stereo, at most
// kMaxTrackMinutes of it. Mono streams are doubled to both channels, other
// sample rates are resampled. Gapless: with an encoder tag the encoder delay
// and padding are trimmed. Junk before, after or inside the stream is
// skipped; a file with no run of real MPEG audio frames within its first
// megabytes is refused (a WAV, random bytes, text). False, with out emptied
// and notes->refusal set, when the file is refused. Memory and time stay
// bounded whatever the file holds or however large it is.
bool decodeMp3File(const char* path, PcmTrack& out, Mp3Notes* notes = nullptr);

// The first frame at or after music time ms (rounded up, so that
// pcmMsAtFrame(pcmFrameAtMs(ms)) == ms). Negative ms gives frame 0.
int64_t pcmFrameAtMs(int32_t ms);

// The music time of a frame in whole milliseconds, truncated; saturates at
// INT32_MAX.
int32_t pcmMsAtFrame(int64_t frame);

// Copies frameCount frames starting at firstFrame into out (interleaved).
// Frames outside the track, before its start or past its end, are silence.
void copyPcmFrames(const PcmTrack& track, int64_t firstFrame, int16_t* out, int64_t frameCount);
