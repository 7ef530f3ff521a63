#pragma once
// Ping-pong echo: the first repeat comes from the left, the next from the
// right, each a little darker and quieter than the last.
#include <vector>

#include "tools/music_buffer.h"

namespace music {

class PingPongDelay {
public:
    PingPongDelay(double delaySeconds, double feedback);
    // Replaces the send signal in `io` by the echoes alone.
    void process(StereoBuffer& io);

private:
    std::vector<float> left_, right_;
    size_t pos_ = 0;
    float feedback_;
    float toneLeft_ = 0.0f, toneRight_ = 0.0f;
};

}  // namespace music
