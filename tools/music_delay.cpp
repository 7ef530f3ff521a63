#include "tools/music_delay.h"

#include <cmath>

#include "tools/music_dsp.h"

namespace music {

PingPongDelay::PingPongDelay(double delaySeconds, double feedback)
    : left_(static_cast<size_t>(std::lround(delaySeconds * kSampleRate)), 0.0f),
      right_(left_.size(), 0.0f),
      feedback_(static_cast<float>(feedback))
{
}

void PingPongDelay::process(StereoBuffer& io)
{
    // One-pole low-pass in the loop (about 3 kHz) so repeats soften with age.
    const float k = static_cast<float>(1.0 - std::exp(-kTwoPi * 3000.0 / kSampleRate));
    for (size_t n = 0; n < io.frames(); ++n) {
        const float input = 0.5f * (io.left[n] + io.right[n]);
        const float outL = left_[pos_];
        const float outR = right_[pos_];
        toneLeft_ += k * (outL - toneLeft_);
        toneRight_ += k * (outR - toneRight_);
        // Input enters on the left only; each side feeds the other.
        left_[pos_] = input + feedback_ * toneRight_;
        right_[pos_] = feedback_ * toneLeft_;
        pos_ = pos_ + 1 == left_.size() ? 0 : pos_ + 1;
        io.left[n] = outL;
        io.right[n] = outR;
    }
}

}  // namespace music
