#pragma once
// A plain WAV file (16-bit PCM, interleaved) for --frames, so that people who
// encode the frames themselves get the matching soundtrack.
#include <cstdint>
#include <string>

// Writes the whole file; false (and the file removed) on failure.
bool writeWavFile(const std::string& path, const int16_t* samples, int64_t frameCount, int32_t sampleRate,
                  int32_t channels);
