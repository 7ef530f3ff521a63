#pragma once
// The soundtrack's score: every drum hit and note as one event in seconds of
// music time, composed in code on the tempo map.
#include <cstdint>
#include <vector>

namespace music {

enum class Voice : uint8_t {
    Kick,
    Boom,       // long, deep kick for the section impacts
    Snare,
    Clap,
    ClosedHat,
    OpenHat,
    Crash,
    Riser,      // noise sweeping up over its length
    Bass,
    SubBass,
    Pad,
    Arp,
    Lead,
    Bell,
};

struct Note {
    Voice voice;
    double start;     // seconds
    double length;    // seconds the note is held (tails ring on after it)
    int pitch;        // MIDI note number, for the tonal voices
    float velocity;   // 0 .. 1
    float pan;        // -1 left .. +1 right
    float tone;       // 0 .. 1 brightness (filter opening)
    float attack;     // seconds of fade-in (pads, sub bass); 0 takes the voice's own
    uint32_t seed;    // noise seed of this hit
};

// A breakpoint of the master fader and of the low-pass on the whole mix.
// Between two points both move smoothly (the gain in dB, the cutoff in
// octaves); two points at the same time make a jump, and the last one holds.
// The builds before the cuts close the filter and pull the fader down, so
// the cut itself opens the full spectrum at once.
struct MasterPoint {
    double seconds;
    double gainDb;
    double cutoffHz;  // kOpenHz or above: no filtering
};

constexpr double kOpenHz = 20000.0;

struct Score {
    std::vector<Note> notes;
    std::vector<MasterPoint> master;  // in time order
    double lengthSeconds;             // the whole piece including its ringing tail
};

// Total length of the soundtrack in seconds: the programme's 120 s, the
// final hit ringing out and half a second of silence.
constexpr double kSoundtrackSeconds = 126.0;

Score composeScore();

}  // namespace music
