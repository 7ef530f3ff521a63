#pragma once
// A stereo signal as two planar float channels of equal length.
#include <cstddef>
#include <vector>

namespace music {

struct StereoBuffer {
    explicit StereoBuffer(size_t frames = 0) : left(frames, 0.0f), right(frames, 0.0f) {}
    size_t frames() const { return left.size(); }
    std::vector<float> left;
    std::vector<float> right;
};

}  // namespace music
