#pragma once
// A plate-like stereo reverb: parallel damped comb filters into series
// all-passes per side, the right side tuned a few samples apart for width.
#include <vector>

#include "tools/music_buffer.h"

namespace music {

class Reverb {
public:
    Reverb();
    // Replaces the send signal in `io` by the reverb's wet output.
    void process(StereoBuffer& io);

private:
    struct Comb {
        std::vector<float> line;
        size_t pos = 0;
        float store = 0.0f;
    };
    struct Allpass {
        std::vector<float> line;
        size_t pos = 0;
    };
    Comb combs_[2][8];
    Allpass allpasses_[2][4];
    std::vector<float> preDelay_;
    size_t preDelayPos_ = 0;
};

}  // namespace music
