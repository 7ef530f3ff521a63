#pragma once
// MP3 encoding of the finished mix through libmp3lame.
#include <cstdint>
#include <vector>

#include "tools/music_buffer.h"

namespace music {

constexpr int kMp3Kbps = 192;

// Encodes 44.1 kHz stereo at 192 kbps CBR into `mp3`. The first frame holds
// the encoder's tag (frame count, encoder delay and padding), so decoders
// know the exact length and play it gaplessly. False when the encoder fails.
bool encodeMp3(const StereoBuffer& pcm, std::vector<uint8_t>& mp3);

}  // namespace music
