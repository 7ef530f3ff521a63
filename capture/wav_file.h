#pragma once
// A plain WAV file (16-bit PCM, interleaved) for --frames, so that people who
// encode the frames themselves get the matching soundtrack. It is written as
// the frames are, a slice at a time: the whole length is known up front.
#include <cstdint>
#include <cstdio>
#include <string>

// The most frames of 16-bit sound a WAV file can hold: its sizes are 32-bit
// (about 6 h 45 min of 44100 Hz stereo).
int64_t maxWavFrames(int32_t channels);

class WavWriter {
public:
    WavWriter() = default;
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    // Creates path with the header of frameCount frames. False with the reason.
    bool open(const std::string& path, int64_t frameCount, int32_t sampleRate, int32_t channels, std::string& error);

    // The next frames, continuing the last call.
    bool write(const int16_t* samples, int64_t frames, std::string& error);

    // Completes the file: every frame the header promised must have come.
    bool close(std::string& error);

private:
    std::FILE* file_ = nullptr;
    int64_t remaining_ = 0;
    int32_t channels_ = 0;
};
