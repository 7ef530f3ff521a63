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
    float attack;     // seconds of fade-in; 0 takes the voice's own
    uint32_t seed;    // noise seed of this hit
};

struct Score {
    std::vector<Note> notes;
    double lengthSeconds;  // the whole piece including its ringing tail
};

// Total length of the soundtrack in seconds.
constexpr double kSoundtrackSeconds = 130.0;

Score composeScore();

}  // namespace music
