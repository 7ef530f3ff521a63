#include "driver/wav_file.h"

#include <cstdio>
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

}  // namespace

bool writeWavFile(const std::string& path, const int16_t* samples, int64_t frameCount, int32_t sampleRate,
                  int32_t channels)
{
    const uint64_t dataBytes = uint64_t(frameCount) * uint64_t(channels) * 2;
    // The RIFF sizes are 32-bit: about 6 hours of 44100 Hz stereo.
    if (dataBytes > 0xFFFFFFFFull - 36)
        return false;
    std::vector<uint8_t> header;
    header.insert(header.end(), {'R', 'I', 'F', 'F'});
    put32(header, uint32_t(36 + dataBytes));
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

    std::vector<uint8_t> data;
    data.reserve(size_t(dataBytes));
    for (uint64_t i = 0; i < dataBytes / 2; ++i)
        put16(data, uint16_t(samples[i]));

    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(header.data(), 1, header.size(), f) == header.size();
    ok = ok && std::fwrite(data.data(), 1, data.size(), f) == data.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok)
        std::remove(path.c_str());
    return ok;
}
