// MP3 files made with libmp3lame for the sound tests.
#pragma once

#include <gtest/gtest.h>
#include <lame/lame.h>

#include <cmath>
#include <filesystem>
#include <vector>

#include "test_support.h"

inline double tone(double hz, double i, int rate) { return std::sin(2 * M_PI * hz * i / rate); }

// `seconds` of a leftHz tone on the left, rightHz on the right (0: silence),
// with the encoder's tag frame that tells the decoder the exact length.
inline void writeMp3(const std::filesystem::path& path, int rate, double seconds, double leftHz, double rightHz,
                     bool mono = false) {
    lame_t lame = lame_init();
    lame_set_in_samplerate(lame, rate);
    lame_set_out_samplerate(lame, rate);
    lame_set_mode(lame, mono ? MONO : STEREO);
    lame_set_brate(lame, 128);
    ASSERT_EQ(lame_init_params(lame), 0);
    const int frames = static_cast<int>(rate * seconds);
    std::vector<short> pcm;
    for (int i = 0; i < frames; ++i) {
        const auto left = static_cast<short>(leftHz > 0 ? 10000 * tone(leftHz, i, rate) : 0);
        pcm.push_back(left);
        pcm.push_back(mono ? left : static_cast<short>(rightHz > 0 ? 10000 * tone(rightHz, i, rate) : 0));
    }
    std::vector<unsigned char> mp3(static_cast<size_t>(frames) + 65536);
    int size = lame_encode_buffer_interleaved(lame, pcm.data(), frames, mp3.data(), static_cast<int>(mp3.size()));
    size += lame_encode_flush(lame, mp3.data() + size, static_cast<int>(mp3.size()) - size);
    mp3.resize(static_cast<size_t>(size));
    // The tag frame replaces the empty frame the encoder left at the start.
    const size_t tag = lame_get_lametag_frame(lame, mp3.data(), mp3.size());
    ASSERT_TRUE(tag > 0 && tag < 1000);
    lame_close(lame);
    testsupport::writeBytes(path, mp3);
}

