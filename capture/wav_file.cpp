#include "capture/wav_file.h"

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

// WAV fields are little-endian whatever the machine.
void put16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

constexpr uint64_t kHeaderAfterRiffSize = 36;  // bytes the RIFF size counts besides the samples

}  // namespace

int64_t maxWavFrames(int32_t channels)
{
    return int64_t((0xFFFFFFFFull - kHeaderAfterRiffSize) / (uint64_t(channels) * 2));
}

WavWriter::~WavWriter()
{
    if (file_)
        std::fclose(file_);
}

bool WavWriter::open(const std::string& path, int64_t frameCount, int32_t sampleRate, int32_t channels,
                     std::string& error)
{
    if (frameCount < 0 || frameCount > maxWavFrames(channels)) {
        error = "too long for a WAV file";
        return false;
    }
    const uint64_t dataBytes = uint64_t(frameCount) * uint64_t(channels) * 2;
    std::vector<uint8_t> header;
    header.insert(header.end(), {'R', 'I', 'F', 'F'});
    put32(header, uint32_t(kHeaderAfterRiffSize + dataBytes));
    header.insert(header.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(header, 16);
    put16(header, 1);  // PCM
    put16(header, uint32_t(channels));
    put32(header, uint32_t(sampleRate));
    put32(header, uint32_t(sampleRate * channels * 2));
    put16(header, uint32_t(channels * 2));
    put16(header, 16);
    header.insert(header.end(), {'d', 'a', 't', 'a'});
    put32(header, uint32_t(dataBytes));
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_ || std::fwrite(header.data(), 1, header.size(), file_) != header.size()) {
        error = std::strerror(errno);
        return false;
    }
    remaining_ = frameCount;
    channels_ = channels;
    return true;
}

bool WavWriter::write(const int16_t* samples, int64_t frames, std::string& error)
{
    if (!file_ || frames > remaining_) {
        error = "more sound than the file's header holds";
        return false;
    }
    std::vector<uint8_t> bytes;
    bytes.reserve(size_t(frames) * size_t(channels_) * 2);
    for (int64_t i = 0; i < frames * channels_; ++i)
        put16(bytes, uint16_t(samples[i]));
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
        error = std::strerror(errno);
        return false;
    }
    remaining_ -= frames;
    return true;
}

bool WavWriter::close(std::string& error)
{
    if (!file_) {
        error = "not open";
        return false;
    }
    // fclose flushes: a full disk shows up here, not in fwrite.
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!closed) {
        error = std::strerror(errno);
        return false;
    }
    if (remaining_ != 0) {
        error = "the sound ended early";
        return false;
    }
    return true;
}
