#include "tools/music_voices.h"

#include <algorithm>
#include <cmath>

#include "tools/music_dsp.h"

namespace music {

namespace {

// Filters are retuned every this many samples: the sweeps are slow next to
// 0.7 ms, and tan() per sample would dominate the render time.
constexpr int kControlStep = 32;

// Calls synth(t, left, right) for every sample of the note and adds the result
// into the bus. A 0.5 ms fade-in and 10 ms fade-out around the whole span
// guarantee every voice starts and stops at zero, whatever its envelope.
template <class Synth>
void renderWith(const Note& note, StereoBuffer& bus, Synth&& synth)
{
    const double duration = voiceDuration(note);
    const long long first = std::llround(note.start * kSampleRate);
    const long long count = static_cast<long long>(std::ceil(duration * kSampleRate));
    const long long end = std::min(first + count, static_cast<long long>(bus.frames()));
    for (long long n = std::max(first, 0ll); n < end; ++n) {
        const double t = static_cast<double>(n - first) / kSampleRate;
        double left = 0.0, right = 0.0;
        synth(t, n - first, left, right);
        const double fade = edgeFade(t, duration, 0.0005, 0.01);
        bus.left[n] += static_cast<float>(left * fade);
        bus.right[n] += static_cast<float>(right * fade);
    }
}

void addPanned(double value, double pan, double& left, double& right)
{
    double gl, gr;
    panGains(pan, gl, gr);
    left += value * gl;
    right += value * gr;
}

// Kick: a sine whose pitch drops fast from about 180 Hz to 48 Hz, plus a
// short noise click for the beater.
void kick(const Note& note, StereoBuffer& bus)
{
    SineOsc body;
    Rng rng(note.seed);
    Svf clickFilter;
    clickFilter.setCutoff(4000.0);
    Decay sweep(0.028), amp(0.22), clickAmp(0.003);
    const double v = note.velocity;
    renderWith(note, bus, [&](double, long long, double& l, double& r) {
        const double hz = 48.0 + 130.0 * sweep.next();
        const double s = body.next(hz) * amp.next();
        const double click = clickFilter.low(rng.bipolar()) * clickAmp.next() * 0.35;
        l = r = v * 0.48 * (s + click);
    });
}

// Impact boom: a longer, deeper kick, gently saturated so it reads on small
// speakers too.
void boom(const Note& note, StereoBuffer& bus)
{
    SineOsc body;
    Decay sweep(0.07), amp(0.6);
    const double v = note.velocity;
    renderWith(note, bus, [&](double, long long, double& l, double& r) {
        const double hz = 36.0 + 90.0 * sweep.next();
        const double s = std::tanh(1.6 * body.next(hz)) * amp.next();
        l = r = v * 0.4 * s;
    });
}

void snare(const Note& note, StereoBuffer& bus)
{
    SineOsc tone1, tone2;
    Rng rng(note.seed);
    Svf band, high;
    band.setCutoff(1800.0 + 2500.0 * note.tone, 0.3);
    high.setCutoff(6000.0);
    Decay amp1(0.05), amp2(0.035), ampNoise(0.11);
    const double v = note.velocity;
    renderWith(note, bus, [&](double, long long, double& l, double& r) {
        const double body = 0.5 * tone1.next(190.0) * amp1.next() + 0.25 * tone2.next(330.0) * amp2.next();
        const double noise = rng.bipolar();
        const double rattle = (1.2 * band.band(noise) + 0.45 * high.high(noise)) * ampNoise.next();
        addPanned(v * 0.8 * (body + rattle), note.pan, l, r);
    });
}

// Clap: band-passed noise in three quick bursts, then a short tail.
void clap(const Note& note, StereoBuffer& bus)
{
    Rng rng(note.seed);
    Svf band;
    band.setCutoff(1150.0, 0.45);
    const double v = note.velocity;
    renderWith(note, bus, [&](double t, long long, double& l, double& r) {
        const double env = t < 0.025 ? std::exp(-std::fmod(t, 0.0085) / 0.0025)
                                     : std::exp(-(t - 0.025) / 0.1);
        addPanned(v * 2.6 * band.band(rng.bipolar()) * env, note.pan, l, r);
    });
}

void hat(const Note& note, StereoBuffer& bus, double decay, double cutoff, double level)
{
    Rng rng(note.seed);
    Svf high, air;
    high.setCutoff(cutoff, 0.2);
    air.setCutoff(10000.0, 0.4);
    Decay amp(decay);
    const double v = note.velocity;
    renderWith(note, bus, [&](double, long long, double& l, double& r) {
        const double noise = rng.bipolar();
        const double s = (0.6 * high.high(noise) + 0.5 * air.band(noise)) * amp.next();
        addPanned(v * level * s, note.pan, l, r);
    });
}

// Crash: two independent noise streams, one per side, for a wide cymbal.
void crash(const Note& note, StereoBuffer& bus)
{
    Rng rngL(note.seed), rngR(note.seed ^ 0x5bd1e995u);
    Svf highL, highR, bandL, bandR;
    for (Svf* f : {&highL, &highR})
        f->setCutoff(3500.0, 0.1);
    for (Svf* f : {&bandL, &bandR})
        f->setCutoff(6500.0, 0.5);
    Decay body(0.8), strike(0.03, 0.8);
    const double total = voiceDuration(note);
    const double v = note.velocity;
    renderWith(note, bus, [&](double t, long long, double& l, double& r) {
        const double env = body.next() * (1.0 + strike.next()) * edgeFade(t, total, 0.0, 1.0);
        const double nl = rngL.bipolar(), nr = rngR.bipolar();
        l = v * 0.22 * env * (highL.high(nl) + 0.6 * bandL.band(nl));
        r = v * 0.22 * env * (highR.high(nr) + 0.6 * bandR.band(nr));
    });
}

// Riser: noise through a resonant band-pass sweeping from 250 Hz to 10 kHz,
// growing louder toward the cut where it ends.
void riser(const Note& note, StereoBuffer& bus)
{
    Rng rngL(note.seed), rngR(note.seed ^ 0x68e31da4u);
    Svf bandL, bandR;
    const double v = note.velocity;
    const double len = note.length;
    renderWith(note, bus, [&](double t, long long i, double& l, double& r) {
        const double x = std::fmin(t / len, 1.0);
        if (i % kControlStep == 0) {
            bandL.setCutoff(250.0 * std::pow(40.0, x), 0.55);
            bandR.setCutoff(265.0 * std::pow(40.0, x), 0.55);
        }
        const double env = v * 0.5 * x * x;
        l = env * bandL.band(rngL.bipolar());
        r = env * bandR.band(rngR.bipolar());
    });
}

// Bass: a filtered saw over a sine at the same pitch; the filter snaps open
// at the start of each note and closes quickly, for a plucked, round tone.
void bass(const Note& note, StereoBuffer& bus)
{
    SawOsc saw;
    SineOsc sine;
    Svf filter;
    const double hz = midiToHz(note.pitch);
    const double v = note.velocity;
    const double total = voiceDuration(note);
    renderWith(note, bus, [&](double t, long long i, double& l, double& r) {
        if (i % kControlStep == 0)
            filter.setCutoff(140.0 + (300.0 + 2200.0 * note.tone) * std::exp(-t / 0.08), 0.35);
        const double s = 0.55 * filter.low(saw.next(hz)) + 0.5 * sine.next(hz);
        l = r = v * 0.75 * s * edgeFade(t, total, 0.003, 0.04);
    });
}

void subBass(const Note& note, StereoBuffer& bus)
{
    SineOsc sine;
    const double hz = midiToHz(note.pitch);
    const double v = note.velocity;
    const double total = voiceDuration(note);
    const double attack = note.attack > 0.0f ? note.attack : 0.06;
    renderWith(note, bus, [&](double t, long long, double& l, double& r) {
        const double s = sine.next(hz);
        // A touch of second harmonic lets the line be heard on small speakers.
        l = r = v * 0.15 * (s + 0.3 * s * std::fabs(s)) * edgeFade(t, total, attack, 0.35);
    });
}

// Pad: three detuned saws spread across the stereo field through a slowly
// breathing low-pass, with a slow attack and long release.
void pad(const Note& note, StereoBuffer& bus)
{
    Rng rng(note.seed);
    SawOsc saws[3] = {SawOsc(rng.uniform()), SawOsc(rng.uniform()), SawOsc(rng.uniform())};
    const double base = midiToHz(note.pitch);
    const double hz[3] = {base * std::pow(2.0, -9.0 / 1200.0), base, base * std::pow(2.0, 9.0 / 1200.0)};
    double gl[3], gr[3];
    for (int k = 0; k < 3; ++k)
        panGains(std::clamp(note.pan + (k - 1) * 0.7, -1.0, 1.0), gl[k], gr[k]);
    Svf filterL, filterR;
    const double lfoPhase = rng.uniform();
    const double cutoff = 300.0 + 3800.0 * std::pow(note.tone, 1.5);
    const double attack = note.attack > 0.0f ? note.attack : 0.35;
    const double total = voiceDuration(note);
    const double v = note.velocity;
    renderWith(note, bus, [&](double t, long long i, double& l, double& r) {
        if (i % kControlStep == 0) {
            const double lfo = sinTurns(0.3 * t + lfoPhase);
            filterL.setCutoff(cutoff * (1.0 + 0.15 * lfo), 0.2);
            filterR.setCutoff(cutoff * (1.0 - 0.15 * lfo), 0.2);
        }
        double sl = 0.0, sr = 0.0;
        for (int k = 0; k < 3; ++k) {
            const double s = saws[k].next(hz[k]);
            sl += s * gl[k];
            sr += s * gr[k];
        }
        const double env = v * 0.09 * edgeFade(t, total, attack, 1.0);
        l = env * filterL.low(sl);
        r = env * filterR.low(sr);
    });
}

// Pluck for the arpeggios: two slightly detuned saws through a low-pass
// whose envelope decays in about 70 ms.
void arp(const Note& note, StereoBuffer& bus)
{
    Rng rng(note.seed);
    SawOsc a(rng.uniform()), b(rng.uniform());
    Svf filter;
    const double hz = midiToHz(note.pitch);
    const double detuned = hz * std::pow(2.0, 5.0 / 1200.0);
    const double total = voiceDuration(note);
    Decay amp(0.35);
    const double v = note.velocity;
    renderWith(note, bus, [&](double t, long long i, double& l, double& r) {
        if (i % kControlStep == 0)
            filter.setCutoff(250.0 + (800.0 + 6000.0 * note.tone) * std::exp(-t / 0.07), 0.4);
        const double s = filter.low(0.5 * (a.next(hz) + b.next(detuned)));
        const double env = v * 0.42 * amp.next() * edgeFade(t, total, 0.002, 0.12);
        addPanned(s * env, note.pan, l, r);
    });
}

// Lead: two saws a few cents apart and a sine an octave below, with delayed
// vibrato and a low-pass that opens a little at each attack.
void lead(const Note& note, StereoBuffer& bus)
{
    Rng rng(note.seed);
    SawOsc a(rng.uniform()), b(rng.uniform());
    SineOsc sub;
    Svf filter;
    const double hz = midiToHz(note.pitch);
    const double total = voiceDuration(note);
    Decay accent(0.2, 0.15);
    double f = hz;
    const double v = note.velocity;
    renderWith(note, bus, [&](double t, long long i, double& l, double& r) {
        if (i % kControlStep == 0) {
            filter.setCutoff(600.0 + 4500.0 * note.tone + 1800.0 * std::exp(-t / 0.15), 0.25);
            const double depth = 18.0 * std::clamp((t - 0.2) / 0.3, 0.0, 1.0);  // cents
            f = hz * std::pow(2.0, depth * sinTurns(5.2 * t) / 1200.0);
        }
        const double s = 0.5 * (a.next(f * 1.004) + b.next(f * 0.996)) + 0.35 * sub.next(f * 0.5);
        const double env = v * 0.36 * edgeFade(t, total, 0.008, 0.2) * (0.85 + accent.next());
        addPanned(filter.low(s) * env, note.pan, l, r);
    });
}

// Bell: two-operator FM at a harmonic ratio, bright at the strike and
// mellowing as the index decays.
void bell(const Note& note, StereoBuffer& bus)
{
    SineOsc modulator;
    double carrierPhase = 0.0;
    const double hz = midiToHz(note.pitch);
    const double total = voiceDuration(note);
    Decay index(0.25, 2.2), amp(0.55);
    const double v = note.velocity;
    renderWith(note, bus, [&](double t, long long, double& l, double& r) {
        // Modulation index in turns: 2.2 rad decaying to 0.3 rad.
        const double mod = (index.next() + 0.3) / kTwoPi * modulator.next(hz * 2.0);
        const double s = sinTurns(carrierPhase + mod);
        carrierPhase += hz / kSampleRate;
        carrierPhase -= std::floor(carrierPhase);
        const double env = v * 0.3 * amp.next() * edgeFade(t, total, 0.002, 0.6);
        addPanned(s * env, note.pan, l, r);
    });
}

}  // namespace

double voiceDuration(const Note& note)
{
    switch (note.voice) {
    // Decaying voices last until their envelope is about 40 dB down, so the
    // final fade never cuts off an audible tail.
    case Voice::Kick: return 1.0;
    case Voice::Boom: return 3.0;
    case Voice::Snare: return 0.55;
    case Voice::Clap: return 0.5;
    case Voice::ClosedHat: return 0.14;
    case Voice::OpenHat: return 0.55;
    case Voice::Crash: return 4.5;
    case Voice::Riser: return note.length;
    case Voice::Bass: return note.length + 0.04;
    case Voice::SubBass: return note.length + 0.35;
    case Voice::Pad: return note.length + 1.0;
    case Voice::Arp: return note.length + 0.12;
    case Voice::Lead: return note.length + 0.2;
    case Voice::Bell: return std::max(note.length, 0.2) + 2.0;
    }
    return 0.0;
}

void renderNote(const Note& note, StereoBuffer& bus)
{
    switch (note.voice) {
    case Voice::Kick: kick(note, bus); break;
    case Voice::Boom: boom(note, bus); break;
    case Voice::Snare: snare(note, bus); break;
    case Voice::Clap: clap(note, bus); break;
    case Voice::ClosedHat: hat(note, bus, 0.028, 7500.0, 1.15); break;
    case Voice::OpenHat: hat(note, bus, 0.12, 6500.0, 0.6); break;
    case Voice::Crash: crash(note, bus); break;
    case Voice::Riser: riser(note, bus); break;
    case Voice::Bass: bass(note, bus); break;
    case Voice::SubBass: subBass(note, bus); break;
    case Voice::Pad: pad(note, bus); break;
    case Voice::Arp: arp(note, bus); break;
    case Voice::Lead: lead(note, bus); break;
    case Voice::Bell: bell(note, bus); break;
    }
}

}  // namespace music
