#include "tools/music_encoder.h"

#include <lame/lame.h>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace music {

namespace {

struct LameCloser {
    void operator()(lame_global_flags* gf) const { lame_close(gf); }
};

// Samples handed to the encoder per call.
constexpr int kChunk = 8192;

}  // namespace

bool encodeMp3(const StereoBuffer& pcm, std::vector<uint8_t>& mp3)
{
    std::unique_ptr<lame_global_flags, LameCloser> gf(lame_init());
    if (!gf) {
        std::fprintf(stderr, "quarnel-data: lame_init failed\n");
        return false;
    }
    lame_set_in_samplerate(gf.get(), 44100);
    lame_set_out_samplerate(gf.get(), 44100);
    lame_set_num_channels(gf.get(), 2);
    lame_set_mode(gf.get(), JOINT_STEREO);
    lame_set_VBR(gf.get(), vbr_off);
    lame_set_brate(gf.get(), kMp3Kbps);
    lame_set_quality(gf.get(), 5);
    lame_set_bWriteVbrTag(gf.get(), 1);
    if (lame_init_params(gf.get()) < 0) {
        std::fprintf(stderr, "quarnel-data: lame_init_params failed\n");
        return false;
    }

    mp3.clear();
    // Worst case from lame.h: 1.25 * samples + 7200 bytes per call.
    std::vector<uint8_t> out(kChunk * 5 / 4 + 7200);
    const size_t frames = pcm.frames();
    for (size_t pos = 0; pos < frames; pos += kChunk) {
        const int count = static_cast<int>(std::min<size_t>(kChunk, frames - pos));
        const int written = lame_encode_buffer_ieee_float(gf.get(), pcm.left.data() + pos, pcm.right.data() + pos,
                                                          count, out.data(), static_cast<int>(out.size()));
        if (written < 0) {
            std::fprintf(stderr, "quarnel-data: MP3 encoding failed (%d)\n", written);
            return false;
        }
        mp3.insert(mp3.end(), out.begin(), out.begin() + written);
    }
    const int flushed = lame_encode_flush(gf.get(), out.data(), static_cast<int>(out.size()));
    if (flushed < 0) {
        std::fprintf(stderr, "quarnel-data: MP3 flush failed (%d)\n", flushed);
        return false;
    }
    mp3.insert(mp3.end(), out.begin(), out.begin() + flushed);

    // The encoder left an empty first frame in place for its tag; fill it in
    // now that the totals are known.
    uint8_t tag[2880];
    const size_t tagSize = lame_get_lametag_frame(gf.get(), tag, sizeof tag);
    if (tagSize == 0 || tagSize > sizeof tag || tagSize > mp3.size()) {
        std::fprintf(stderr, "quarnel-data: no encoder tag frame\n");
        return false;
    }
    std::copy(tag, tag + tagSize, mp3.begin());
    return true;
}

}  // namespace music
