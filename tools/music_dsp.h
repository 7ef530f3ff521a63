#pragma once
// Small signal-processing building blocks of the soundtrack synthesiser:
// a seeded noise source, pitch conversion, a band-limited saw and a
// state-variable filter. Everything is plain arithmetic on doubles, so a
// given build always produces the same samples.
#include <cmath>
#include <cstdint>

namespace music {

constexpr double kSampleRate = 44100.0;
constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2.0 * kPi;

// xorshift64*: a fixed seed gives the same stream on every run and platform.
class Rng {
public:
    explicit Rng(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull)
    {
        if (state_ == 0)
            state_ = 1;
    }
    uint64_t next()
    {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return state_ * 0x2545F4914F6CDD1Dull;
    }
    // Uniform in [0, 1): the top 53 bits make an exact double.
    double uniform() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
    // Uniform in [-1, 1): white noise.
    double bipolar() { return 2.0 * uniform() - 1.0; }

private:
    uint64_t state_;
};

inline double midiToHz(double note) { return 440.0 * std::pow(2.0, (note - 69.0) / 12.0); }

// Polynomial band-limited step correction; removes most of the aliasing a
// naive saw would fold back at high notes.
inline double polyBlep(double phase, double increment)
{
    if (phase < increment) {
        const double t = phase / increment;
        return t + t - t * t - 1.0;
    }
    if (phase > 1.0 - increment) {
        const double t = (phase - 1.0) / increment;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

// Saw wave in [-1, 1] with a phase in [0, 1).
class SawOsc {
public:
    explicit SawOsc(double phase = 0.0) : phase_(phase) {}
    double next(double hz)
    {
        const double inc = hz / kSampleRate;
        const double value = 2.0 * phase_ - 1.0 - polyBlep(phase_, inc);
        phase_ += inc;
        if (phase_ >= 1.0)
            phase_ -= 1.0;
        return value;
    }

private:
    double phase_;
};

// sin(2 pi turns) by a Taylor polynomial on the quarter wave, folded by
// symmetry: error below 1e-9, several times faster than std::sin and the
// same on every platform.
inline double sinTurns(double turns)
{
    double p = turns - std::floor(turns);  // [0, 1)
    if (p > 0.75)
        p -= 1.0;
    else if (p > 0.25)
        p = 0.5 - p;
    const double x = kTwoPi * p;  // [-pi/2, pi/2]
    const double x2 = x * x;
    return x * (1.0 + x2 * (-1.0 / 6 + x2 * (1.0 / 120 + x2 * (-1.0 / 5040 + x2 * (1.0 / 362880 +
                x2 * (-1.0 / 39916800 + x2 * (1.0 / 6227020800.0)))))));
}

// Sine with an accumulated phase (so pitch may glide without clicks).
class SineOsc {
public:
    explicit SineOsc(double phase = 0.0) : phase_(phase) {}
    double next(double hz)
    {
        const double value = sinTurns(phase_);
        phase_ += hz / kSampleRate;
        if (phase_ >= 1.0)
            phase_ -= 1.0;
        return value;
    }

private:
    double phase_;
};

// exp(-t / seconds) sampled at t = 0, 1/44100, ... by repeated
// multiplication instead of one exp() per sample.
class Decay {
public:
    explicit Decay(double seconds, double start = 1.0)
        : value_(start), factor_(std::exp(-1.0 / (seconds * kSampleRate)))
    {
    }
    double next()
    {
        const double v = value_;
        value_ *= factor_;
        return v;
    }

private:
    double value_;
    double factor_;
};

// Topology-preserving state-variable filter (trapezoidal integration): stable
// under fast cutoff sweeps, which the plucks and risers rely on. The cutoff is
// set separately because tan() per sample is the dearest step; voices update
// it every few samples.
class Svf {
public:
    struct Out {
        double low, band, high;
    };
    void setCutoff(double cutoffHz, double resonance = 0.0)
    {
        // Keep the cutoff below Nyquist, where tan() would blow up.
        const double fc = std::fmin(std::fmax(cutoffHz, 10.0), kSampleRate * 0.45);
        g_ = std::tan(kPi * fc / kSampleRate);
        k_ = 2.0 - 2.0 * resonance;  // resonance 0 .. <1
        a1_ = 1.0 / (1.0 + g_ * (g_ + k_));
    }
    Out process(double input)
    {
        const double v3 = input - ic2_;
        const double v1 = a1_ * ic1_ + g_ * a1_ * v3;
        const double v2 = ic2_ + g_ * v1;
        ic1_ = 2.0 * v1 - ic1_;
        ic2_ = 2.0 * v2 - ic2_;
        return {v2, v1, input - k_ * v1 - v2};
    }
    double low(double in) { return process(in).low; }
    double band(double in) { return process(in).band; }
    double high(double in) { return process(in).high; }

private:
    double g_ = 0.0, k_ = 2.0, a1_ = 1.0;
    double ic1_ = 0.0;
    double ic2_ = 0.0;
};

// Linear fade-in over `attack` seconds and fade-out over the last `release`
// seconds of a span of `total` seconds: every note starts and ends at zero,
// so no note ever clicks.
inline double edgeFade(double t, double total, double attack, double release)
{
    double g = 1.0;
    if (t < attack)
        g = t / attack;
    const double left = total - t;
    if (left < release)
        g = std::fmin(g, std::fmax(left, 0.0) / release);
    return g;
}

// Equal-power pan: -1 full left, +1 full right.
inline void panGains(double pan, double& left, double& right)
{
    const double angle = (pan + 1.0) * 0.25 * kPi;
    left = std::cos(angle);
    right = std::sin(angle);
}

}  // namespace music
