// The default soundtrack: music composed in code (music_score), synthesised
// and mixed (music_mixer) and encoded to MP3 (music_encoder).
#include <cstdio>
#include <vector>

#include "tools/generators.h"
#include "tools/music_encoder.h"
#include "tools/music_mixer.h"
#include "tools/music_score.h"

bool writeSoundtrack(const std::string& path)
{
    const music::Score score = music::composeScore();
    const music::StereoBuffer pcm = music::mixScore(score, score.lengthSeconds);
    std::vector<uint8_t> mp3;
    if (!music::encodeMp3(pcm, mp3))
        return false;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::fprintf(stderr, "quarnel-data: cannot create %s\n", path.c_str());
        return false;
    }
    const bool written = std::fwrite(mp3.data(), 1, mp3.size(), file) == mp3.size();
    // fclose flushes: its result tells whether the last bytes reached the disk.
    if (std::fclose(file) != 0 || !written) {
        std::fprintf(stderr, "quarnel-data: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}
