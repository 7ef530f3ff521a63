#include "tools/music_mixer.h"

#include <cmath>

#include "tools/music_delay.h"
#include "tools/music_dsp.h"
#include "tools/music_limiter.h"
#include "tools/music_reverb.h"
#include "tools/music_voices.h"

namespace music {

namespace {

enum Bus { kKickBus, kDrumBus, kBassBus, kPadBus, kArpBus, kLeadBus, kBusCount };

// Level, side-chain depth, reverb send and echo send of each bus.
struct BusSetting {
    double gain;
    double duck;
    double reverb;
    double echo;
};
constexpr BusSetting kBusSettings[kBusCount] = {
    {0.7, 0.0, 0.0, 0.0},    // kick, boom
    {0.9, 0.0, 0.08, 0.0},   // snare, clap, hats, cymbals, risers
    {0.7, 0.45, 0.0, 0.0},   // bass
    {0.9, 0.6, 0.35, 0.0},   // pads
    {0.8, 0.35, 0.2, 0.22},  // arpeggio
    {0.85, 0.15, 0.25, 0.3}, // lead, bell
};
constexpr double kReverbReturn = 1.0;
constexpr double kEchoReturn = 0.55;
constexpr double kMasterGain = 1.15;

// Dotted eighth at 125 BPM: the echoes fall between the sixteenths.
constexpr double kEchoSeconds = 0.36;
constexpr double kEchoFeedback = 0.42;

// The final hit's tails and the reverb fade to silence over these seconds of
// music time; the last half second of the file is silent.
constexpr double kFadeOutStart = 122.0;
constexpr double kFadeOutEnd = 125.5;

Bus busOf(Voice voice)
{
    switch (voice) {
    case Voice::Kick:
    case Voice::Boom: return kKickBus;
    case Voice::Bass:
    case Voice::SubBass: return kBassBus;
    case Voice::Pad: return kPadBus;
    case Voice::Arp: return kArpBus;
    case Voice::Lead:
    case Voice::Bell: return kLeadBus;
    default: return kDrumBus;
    }
}

// 0 .. 1 amount of ducking per sample: rises in 4 ms at every kick and lets
// go over about 100 ms, so the pads and bass breathe with the beat.
std::vector<float> sidechainShape(const Score& score, size_t frames)
{
    std::vector<float> shape(frames, 0.0f);
    for (const Note& note : score.notes) {
        if (note.voice != Voice::Kick && note.voice != Voice::Boom)
            continue;
        const long long first = std::llround(note.start * kSampleRate);
        const long long span = static_cast<long long>(0.5 * kSampleRate);
        for (long long n = first; n < first + span && n < static_cast<long long>(frames); ++n) {
            const double t = static_cast<double>(n - first) / kSampleRate;
            const double s = t < 0.004 ? t / 0.004 : std::exp(-(t - 0.004) / 0.1);
            shape[n] = std::max(shape[n], static_cast<float>(s * note.velocity));
        }
    }
    return shape;
}

// First-order high-pass at 20 Hz: removes any offset before the limiter.
void removeDc(std::vector<float>& x)
{
    const double a = std::exp(-kTwoPi * 20.0 / kSampleRate);
    double prevIn = 0.0, prevOut = 0.0;
    for (float& v : x) {
        const double out = a * (prevOut + v - prevIn);
        prevIn = v;
        prevOut = out;
        v = static_cast<float>(out);
    }
}

// Runs the score's master fader and low-pass over the mix. The filter is two
// Butterworth sections (24 dB per octave, so a closed build really loses its
// top) and runs all the time, open at the top of the band, so its state is
// settled whenever a build starts to close it. Switching between the dry and
// the filtered signal crossfades over a few milliseconds: no click at a cut.
void rideMaster(const std::vector<MasterPoint>& points, StereoBuffer& io)
{
    if (points.empty())
        return;
    constexpr int kControlStep = 32;
    constexpr double kButterworth = 1.0 - std::sqrt(0.5);  // k = sqrt(2)
    Svf filters[2][2];
    size_t next = 0;  // first point after the current time
    const double crossfade = 1.0 - std::exp(-1.0 / (0.002 * kSampleRate));
    double gain = 1.0, wet = 0.0;
    bool open = true;
    for (size_t n = 0; n < io.frames(); ++n) {
        if (n % kControlStep == 0) {
            const double t = static_cast<double>(n) / kSampleRate;
            while (next < points.size() && points[next].seconds <= t)
                ++next;
            double db = 0.0, hz = kOpenHz;
            if (next == points.size()) {
                db = points.back().gainDb;
                hz = points.back().cutoffHz;
            } else if (next > 0) {
                const MasterPoint& a = points[next - 1];
                const MasterPoint& b = points[next];
                const double x = (t - a.seconds) / (b.seconds - a.seconds);
                db = a.gainDb + (b.gainDb - a.gainDb) * x;
                hz = a.cutoffHz * std::pow(b.cutoffHz / a.cutoffHz, x);
            }
            gain = std::pow(10.0, db / 20.0);
            open = hz >= kOpenHz;
            for (auto& side : filters)
                for (Svf& f : side)
                    f.setCutoff(open ? kSampleRate : hz, kButterworth);
        }
        wet += ((open ? 0.0 : 1.0) - wet) * crossfade;
        float* channels[2] = {&io.left[n], &io.right[n]};
        for (int c = 0; c < 2; ++c) {
            const double dry = *channels[c];
            const double filtered = filters[c][1].low(filters[c][0].low(dry));
            *channels[c] = static_cast<float>(gain * (dry + (filtered - dry) * wet));
        }
    }
}

double fadeOut(double t)
{
    if (t <= kFadeOutStart)
        return 1.0;
    if (t >= kFadeOutEnd)
        return 0.0;
    const double x = (t - kFadeOutStart) / (kFadeOutEnd - kFadeOutStart);
    return 0.5 + 0.5 * std::cos(kPi * x);
}

}  // namespace

StereoBuffer mixScore(const Score& score, double seconds)
{
    const size_t frames = static_cast<size_t>(std::llround(seconds * kSampleRate));
    std::vector<StereoBuffer> buses(kBusCount, StereoBuffer(frames));
    for (const Note& note : score.notes)
        renderNote(note, buses[busOf(note.voice)]);

    const std::vector<float> shape = sidechainShape(score, frames);
    StereoBuffer master(frames), reverbSend(frames), echoSend(frames);
    for (int b = 0; b < kBusCount; ++b) {
        const BusSetting& set = kBusSettings[b];
        const StereoBuffer& bus = buses[b];
        for (size_t n = 0; n < frames; ++n) {
            const double g = set.gain * (1.0 - set.duck * shape[n]);
            const float l = static_cast<float>(bus.left[n] * g);
            const float r = static_cast<float>(bus.right[n] * g);
            master.left[n] += l;
            master.right[n] += r;
            reverbSend.left[n] += static_cast<float>(l * set.reverb);
            reverbSend.right[n] += static_cast<float>(r * set.reverb);
            echoSend.left[n] += static_cast<float>(l * set.echo);
            echoSend.right[n] += static_cast<float>(r * set.echo);
        }
    }
    buses.clear();

    PingPongDelay(kEchoSeconds, kEchoFeedback).process(echoSend);
    // Echoes go into the reverb too, so they sit in the same space.
    for (size_t n = 0; n < frames; ++n) {
        reverbSend.left[n] += 0.5f * echoSend.left[n];
        reverbSend.right[n] += 0.5f * echoSend.right[n];
    }
    Reverb().process(reverbSend);

    for (size_t n = 0; n < frames; ++n) {
        const double duck = 1.0 - 0.3 * shape[n];  // the tails pump a little too
        master.left[n] = static_cast<float>(kMasterGain * (master.left[n] + kEchoReturn * echoSend.left[n] +
                                                           kReverbReturn * duck * reverbSend.left[n]));
        master.right[n] = static_cast<float>(kMasterGain * (master.right[n] + kEchoReturn * echoSend.right[n] +
                                                            kReverbReturn * duck * reverbSend.right[n]));
    }
    rideMaster(score.master, master);
    removeDc(master.left);
    removeDc(master.right);
    limitPeaks(master, kMasterCeiling, 0.003, 0.12);
    for (size_t n = 0; n < frames; ++n) {
        const double g = fadeOut(static_cast<double>(n) / kSampleRate);
        master.left[n] = static_cast<float>(master.left[n] * g);
        master.right[n] = static_cast<float>(master.right[n] * g);
    }
    return master;
}

}  // namespace music
