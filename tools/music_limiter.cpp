#include "tools/music_limiter.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <vector>

#include "tools/music_dsp.h"

namespace music {

void limitPeaks(StereoBuffer& io, double ceiling, double lookaheadSeconds, double releaseSeconds)
{
    const size_t frames = io.frames();
    const size_t window = std::max<size_t>(1, static_cast<size_t>(std::lround(lookaheadSeconds * kSampleRate)));
    // Gain each sample needs on its own; past the end nothing needs limiting.
    const size_t extended = frames + window;
    std::vector<double> held(extended);
    {
        std::deque<size_t> minima;  // indices of increasing required gain
        auto required = [&](size_t n) {
            if (n >= frames)
                return 1.0;
            const double peak = std::max(std::fabs(io.left[n]), std::fabs(io.right[n]));
            return peak > ceiling ? ceiling / peak : 1.0;
        };
        std::vector<double> need(extended);
        for (size_t n = 0; n < extended; ++n)
            need[n] = required(n);
        // held[k] = smallest requirement among the last `window` samples, so
        // that a box average over the next `window` held values is never
        // above what any sample in it needs.
        for (size_t n = 0; n < extended; ++n) {
            while (!minima.empty() && need[minima.back()] >= need[n])
                minima.pop_back();
            minima.push_back(n);
            if (minima.front() + window <= n)
                minima.pop_front();
            held[n] = need[minima.front()];
        }
    }
    // Release: recover toward unity, but never above what is held.
    const double release = 1.0 - std::exp(-1.0 / (releaseSeconds * kSampleRate));
    double gain = 1.0;
    for (size_t n = 0; n < extended; ++n) {
        gain = std::min(held[n], gain + (1.0 - gain) * release);
        held[n] = gain;
    }
    // Box average over the look-ahead window turns every step into a ramp.
    // (n + window < extended for every n < frames.)
    double sum = 0.0;
    for (size_t j = 0; j < window; ++j)
        sum += held[j];
    for (size_t n = 0; n < frames; ++n) {
        const double g = sum / static_cast<double>(window);
        io.left[n] = static_cast<float>(io.left[n] * g);
        io.right[n] = static_cast<float>(io.right[n] * g);
        sum += held[n + window] - held[n];
    }
}

}  // namespace music
