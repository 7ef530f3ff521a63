#include "tools/music_score.h"

#include <algorithm>

#include "tools/music_dsp.h"
#include "tools/music_tempo.h"

namespace music {

namespace {

// A chord: bass root (MIDI, around octave 2), a close pad voicing around
// middle C and four arpeggio tones an octave higher.
struct Chord {
    int root;
    int pad[3];
    int arp[4];
};

constexpr Chord kAm = {45, {57, 60, 64}, {69, 72, 76, 81}};
constexpr Chord kF = {41, {57, 60, 65}, {65, 69, 72, 77}};
constexpr Chord kC = {36, {55, 60, 64}, {67, 72, 76, 79}};
constexpr Chord kG = {43, {55, 59, 62}, {67, 71, 74, 79}};
constexpr Chord kEm = {40, {55, 59, 64}, {67, 71, 76, 79}};
constexpr Chord kE = {40, {56, 59, 64}, {68, 71, 76, 80}};

// i - VI - III - VII in A minor for the verses; VI - VII - v - i lifts the
// climax and lands on the tonic at the end of every phrase.
const Chord* const kVerseChords[4] = {&kAm, &kF, &kC, &kG};
const Chord* const kClimaxChords[4] = {&kF, &kG, &kEm, &kAm};

struct MelodyNote {
    double beat;
    double beats;
    int pitch;
};

// The lead's motif: a falling figure (long-long-short, then two held beats)
// stated over the first bar of every chord. Phrase A asks, phrase B answers
// and climbs, phrase C carries the motif up for the climax.
const std::vector<MelodyNote> kPhraseA = {
    {0, 0.75, 76},  {0.75, 0.75, 74}, {1.5, 0.5, 72},  {2, 1, 76},      {3, 1, 69},
    {4, 0.75, 72},  {4.75, 0.75, 69}, {5.5, 0.5, 72},  {6, 1.5, 77},    {7.5, 0.5, 76},
    {8, 0.75, 79},  {8.75, 0.75, 76}, {9.5, 0.5, 72},  {10, 1, 76},     {11, 1, 74},
    {12, 0.75, 74}, {12.75, 0.75, 71}, {13.5, 0.5, 67}, {14, 1, 71},    {15, 0.5, 74},
    {15.5, 0.5, 76},
};
const std::vector<MelodyNote> kPhraseB = {
    {0, 0.75, 76},  {0.75, 0.75, 74}, {1.5, 0.5, 72},  {2, 1, 76},      {3, 0.5, 79},
    {3.5, 0.5, 81}, {4, 1.5, 81},     {5.5, 0.5, 79},  {6, 0.75, 77},   {6.75, 0.75, 76},
    {7.5, 0.5, 72}, {8, 0.75, 76},    {8.75, 0.75, 72}, {9.5, 0.5, 67}, {10, 1, 72},
    {11, 1, 76},    {12, 1.5, 74},    {13.5, 0.5, 72}, {14, 2, 71},
};
const std::vector<MelodyNote> kPhraseC = {
    {0, 0.75, 81},  {0.75, 0.75, 79}, {1.5, 0.5, 77},  {2, 1, 81},      {3, 1, 84},
    {4, 0.75, 83},  {4.75, 0.75, 79}, {5.5, 0.5, 74},  {6, 1.5, 79},    {7.5, 0.5, 83},
    {8, 0.75, 83},  {8.75, 0.75, 79}, {9.5, 0.5, 76},  {10, 1, 79},     {11, 1, 83},
    {12, 1.5, 84},  {13.5, 0.5, 83},  {14, 2, 81},
};
// The motif over the breakdown's F - G - E, leaning on the dominant.
const std::vector<MelodyNote> kPhraseBreak = {
    {0, 0.75, 72}, {0.75, 0.75, 69}, {1.5, 0.5, 72}, {2, 2, 77},
    {4, 0.75, 74}, {4.75, 0.75, 71}, {5.5, 0.5, 74}, {6, 2, 79},
    {8, 0.75, 80}, {8.75, 0.75, 76}, {9.5, 0.5, 71}, {10, 4, 76},
};

class Composer {
public:
    explicit Composer(Score& score) : score_(score) {}

    // One event from beat positions; its length follows the tempo map, so a
    // note held across a cut keeps its place on both sides.
    void add(Voice voice, double beat, double beats, int pitch, double velocity, double pan = 0.0,
             double tone = 0.5, double attack = 0.0)
    {
        const double start = tempo_.seconds(beat);
        const double end = tempo_.seconds(beat + beats);
        score_.notes.push_back({voice, start, end - start, pitch, static_cast<float>(velocity),
                                static_cast<float>(pan), static_cast<float>(tone),
                                static_cast<float>(attack), static_cast<uint32_t>(seedRng_.next() >> 32)});
    }
    void hit(Voice voice, double beat, double velocity, double pan = 0.0, double tone = 0.5)
    {
        add(voice, beat, 0.25, 0, velocity, pan, tone);
    }

    double at(int section) const { return tempo_.sectionBeat(section); }

    void kicks(double from, double to, double velocity = 1.0)
    {
        for (double b = from; b < to; b += 1.0)
            hit(Voice::Kick, b, velocity);
    }
    // Claps on beats two and four of every bar, a snare underneath when `withSnare`.
    void backbeat(double from, double bars, double velocity, bool withSnare)
    {
        for (int bar = 0; bar < bars; ++bar)
            for (int beat : {1, 3}) {
                hit(Voice::Clap, from + bar * 4 + beat, velocity, 0.0);
                if (withSnare)
                    hit(Voice::Snare, from + bar * 4 + beat, velocity * 0.55, 0.05);
            }
    }
    // Sixteenth hats with an accent on the off-beat eighth; open hats on the
    // off-beats when `open`.
    void hats(double from, double to, double velocity, bool sixteenths, bool open)
    {
        static constexpr double kAccent[4] = {0.55, 0.3, 1.0, 0.35};
        for (double b = from; b < to; b += 0.25) {
            const int step = static_cast<int>((b - from) * 4.0 + 0.5) & 3;
            const double pan = (step & 1) ? 0.3 : -0.2;
            if (step == 2 && open)
                hit(Voice::OpenHat, b, velocity * 0.8, 0.15);
            else if (sixteenths || step == 2)
                hit(Voice::ClosedHat, b, velocity * kAccent[step], pan);
        }
    }
    // A snare roll whose notes get denser and louder toward the cut.
    void snareRoll(double from, double beats, double v0, double v1)
    {
        const double mid = from + beats * 0.5;
        for (double b = from; b < from + beats - 1e-9;) {
            const double v = v0 + (v1 - v0) * (b - from) / beats;
            hit(Voice::Snare, b, v, (b - from) / beats * 0.6 - 0.3, 0.4 + 0.5 * (b - from) / beats);
            b += b < mid ? 0.5 : (b < from + beats - 1.0 ? 0.25 : 0.125);
        }
    }
    void impact(double beat, double velocity, bool boom)
    {
        add(Voice::Crash, beat, 4, 0, velocity);
        if (boom)
            add(Voice::Boom, beat, 4, 0, velocity);
    }
    void pads(const Chord* const* progression, double from, int bars, double velocity, double tone0,
              double tone1, double attack = 0.0)
    {
        for (int bar = 0; bar < bars; ++bar) {
            const Chord& c = *progression[bar & 3];
            const double tone = tone0 + (tone1 - tone0) * bar / std::max(1, bars - 1);
            for (int i = 0; i < 3; ++i)
                add(Voice::Pad, from + bar * 4, 4, c.pad[i], velocity, (i - 1) * 0.5, tone, attack);
        }
    }
    // Up-and-down sixteenth arpeggio over the chord tones, panned side to side.
    void arp(const Chord* const* progression, double from, int bars, double v0, double v1, double tone0,
             double tone1, double step = 0.25)
    {
        static constexpr int kOrder[8] = {0, 1, 2, 3, 2, 1, 2, 1};
        const double total = bars * 4.0;
        int n = 0;
        for (double b = 0.0; b < total - 1e-9; b += step, ++n) {
            const Chord& c = *progression[static_cast<int>(b / 4.0) & 3];
            const double f = b / total;
            add(Voice::Arp, from + b, step * 0.9, c.arp[kOrder[n & 7]], v0 + (v1 - v0) * f,
                (n & 1) ? 0.4 : -0.4, tone0 + (tone1 - tone0) * f);
        }
    }
    void subBass(const Chord* const* progression, double from, int bars, double velocity)
    {
        for (int bar = 0; bar < bars; ++bar)
            add(Voice::SubBass, from + bar * 4, 4, progression[bar & 3]->root - 12, velocity);
    }
    // Off-beat eighths (`rolling` false) or the rolling sixteenths that leave
    // the kick's sixteenth free (root, octave, root).
    void bassLine(const Chord* const* progression, double from, int bars, double velocity, bool rolling,
                  double tone)
    {
        for (int bar = 0; bar < bars; ++bar) {
            const int root = progression[bar & 3]->root;
            for (int beat = 0; beat < 4; ++beat) {
                const double b = from + bar * 4 + beat;
                if (!rolling) {
                    add(Voice::Bass, b + 0.5, 0.4, root, velocity, 0.0, tone);
                    continue;
                }
                add(Voice::Bass, b + 0.25, 0.2, root, velocity * 0.8, 0.0, tone);
                add(Voice::Bass, b + 0.5, 0.2, root + 12, velocity, 0.0, tone);
                add(Voice::Bass, b + 0.75, 0.2, root, velocity * 0.85, 0.0, tone);
            }
        }
    }
    void melody(Voice voice, const std::vector<MelodyNote>& phrase, double from, double velocity,
                double tone, int transpose = 0)
    {
        for (const MelodyNote& m : phrase)
            add(voice, from + m.beat, m.beats * 0.92, m.pitch + transpose, velocity, 0.0, tone);
    }
    void riser(double from, double beats, double velocity) { add(Voice::Riser, from, beats, 0, velocity); }
    // The master fader at `db` and the low-pass at `hz` on this beat.
    void master(double beat, double db, double hz = kOpenHz)
    {
        score_.master.push_back({tempo_.seconds(beat), db, hz});
    }
    // A build into the cut at `to`: from `from` on, the whole mix is filtered
    // down from `fromHz` to `closedHz` and pulled down by `dipDb`; on the cut
    // it opens again at the next section's level.
    void build(double from, double to, double levelDb, double closedHz, double dipDb, double nextDb,
               double fromHz = kOpenHz)
    {
        master(from, levelDb, fromHz);
        master(to, levelDb - dipDb, closedHz);
        master(to, nextDb);
    }

private:
    Score& score_;
    TempoMap tempo_;
    Rng seedRng_{20240521};
};

// Master levels of the sections, in dB: the groove and the drop sit under
// the climax, which is the loudest part of the piece.
constexpr double kGrooveDb = -1.5;
constexpr double kDropDb = -2.5;
constexpr double kClimaxDb = 0.0;

void intro(Composer& c)
{
    const double s = c.at(kIntro);
    const Chord* const holdAm[4] = {&kAm, &kAm, &kAm, &kAm};
    // Three bars of A minor swelling out of silence under the white fade-in,
    // over a low drone, so the verse's bass does not appear from nothing.
    for (int i = 0; i < 3; ++i)
        c.add(Voice::Pad, s, 12, kAm.pad[i], 0.8, (i - 1) * 0.5, 0.2, 4.0);
    c.add(Voice::SubBass, s, 12, kAm.root - 12, 0.45, 0.0, 0.5, 4.0);
    // The whole intro is heard through a low-pass opening slowly, so each new
    // layer fades in at the top as much as in level.
    c.master(s, 0.0, 700.0);
    c.arp(holdAm, s + 4, 2, 0.15, 0.3, 0.05, 0.2);
    // Eight bars of the verse progression: the beat comes in step by step,
    // each layer quietly at first.
    const double v = s + 12;
    c.pads(kVerseChords, v, 8, 0.7, 0.25, 0.45);
    c.arp(kVerseChords, v, 8, 0.3, 0.45, 0.2, 0.45);
    c.subBass(kVerseChords, v, 8, 0.7);
    c.kicks(v, v + 8, 0.35);
    c.kicks(v + 8, v + 16, 0.5);
    c.kicks(v + 16, v + 28, 0.65);
    c.hats(v + 8, v + 16, 0.25, false, false);
    c.hats(v + 16, v + 32, 0.35, true, false);
    c.backbeat(v + 16, 3, 0.4, false);
    c.melody(Voice::Bell, kPhraseA, v + 16, 0.45, 0.5);
    // The last two bars close down to a muffled roll; the kick drops out for
    // the last one, so the groove lands with full weight and full top.
    c.build(v + 24, v + 32, 0.0, 400.0, 4.0, kGrooveDb, 6000.0);
    c.riser(v + 24, 8, 0.45);
    c.snareRoll(v + 28, 4, 0.2, 0.75);
}

void groove(Composer& c)
{
    const double s = c.at(kGroove);
    c.impact(s, 1.0, true);
    // Kick and hats run on through the 2/4 bar at the end, under the fill:
    // the groove stays full up to the breakdown, which takes it all away.
    c.kicks(s, s + 82);
    c.backbeat(s, 20, 0.8, false);
    c.hats(s, s + 16, 0.6, true, false);
    c.hats(s + 16, s + 82, 0.6, true, true);
    c.bassLine(kVerseChords, s, 4, 0.8, false, 0.35);
    c.bassLine(kVerseChords, s + 16, 16, 0.8, true, 0.4);
    c.pads(kVerseChords, s, 20, 0.7, 0.35, 0.6);
    c.arp(kVerseChords, s, 20, 0.4, 0.5, 0.4, 0.7);
    c.add(Voice::Crash, s + 32, 4, 0, 0.5);
    c.melody(Voice::Lead, kPhraseA, s + 32, 0.75, 0.45);
    c.melody(Voice::Lead, kPhraseB, s + 48, 0.75, 0.5);
    c.melody(Voice::Lead, kPhraseA, s + 64, 0.8, 0.6);
    c.riser(s + 64, 18, 0.5);
    c.snareRoll(s + 72, 8, 0.25, 0.8);
    c.snareRoll(s + 80, 2, 0.6, 1.0);
}

void breakdown(Composer& c)
{
    const double s = c.at(kBreakdown);
    // No drums and no cymbal on the cut to the tunnel: the groove falls away,
    // leaving the chords and the melody, muffled as if far off, until the
    // roll of the build.
    c.master(s, kGrooveDb);
    c.master(s, kGrooveDb, 1800.0);
    const Chord* const chords[3] = {&kF, &kG, &kE};
    const double lengths[3] = {4, 4, 6};
    double b = s;
    for (int i = 0; i < 3; ++i) {
        for (int k = 0; k < 3; ++k)
            c.add(Voice::Pad, b, lengths[i], chords[i]->pad[k], 0.65, (k - 1) * 0.6, 0.5, 0.25);
        c.add(Voice::SubBass, b, lengths[i], chords[i]->root - 12, 0.5);
        b += lengths[i];
    }
    const Chord* const arpChords[4] = {&kF, &kG, &kE, &kE};
    c.arp(arpChords, s + 4, 2, 0.2, 0.35, 0.25, 0.5, 0.5);
    c.melody(Voice::Lead, kPhraseBreak, s, 0.45, 0.3);
    c.build(s + 6, s + 14, kGrooveDb, 400.0, 2.0, kDropDb, 1800.0);
    c.riser(s + 4, 10, 0.75);
    c.snareRoll(s + 8, 6, 0.25, 0.95);
}

void drop(Composer& c)
{
    const double s = c.at(kDrop);
    c.impact(s, 1.0, true);
    c.kicks(s, s + 44);  // no kick in the last bar: the climax lands harder
    c.backbeat(s, 11, 0.85, true);
    c.hats(s, s + 48, 0.65, true, true);
    c.bassLine(kVerseChords, s, 12, 0.9, true, 0.55);
    c.pads(kVerseChords, s, 12, 0.7, 0.6, 0.75);
    c.arp(kVerseChords, s, 12, 0.5, 0.55, 0.75, 0.85);
    c.melody(Voice::Lead, kPhraseA, s, 0.85, 0.65);
    c.melody(Voice::Lead, kPhraseB, s + 16, 0.85, 0.7);
    c.add(Voice::Crash, s + 32, 4, 0, 0.6);
    c.melody(Voice::Lead, kPhraseA, s + 32, 0.9, 0.75);
    c.melody(Voice::Bell, kPhraseA, s + 32, 0.35, 0.6, 12);
    c.build(s + 40, s + 48, kDropDb, 500.0, 3.0, kClimaxDb);
    c.riser(s + 40, 8, 0.6);
    c.snareRoll(s + 44, 4, 0.35, 0.9);
}

void climax(Composer& c)
{
    const double s = c.at(kClimax);
    c.impact(s, 1.0, true);
    c.kicks(s, s + 64);
    c.backbeat(s, 16, 0.9, true);
    c.hats(s, s + 64, 0.7, true, true);
    c.bassLine(kClimaxChords, s, 16, 0.95, true, 0.65);
    c.pads(kClimaxChords, s, 16, 0.9, 0.75, 0.9);
    c.arp(kClimaxChords, s, 16, 0.55, 0.6, 0.85, 1.0);
    for (int phrase = 0; phrase < 4; ++phrase) {
        const double p = s + phrase * 16;
        c.melody(Voice::Lead, kPhraseC, p, 0.9, 0.75 + 0.05 * phrase);
        if (phrase >= 2)
            c.melody(Voice::Lead, kPhraseC, p, 0.45, 0.6, -12);  // octave below thickens the line
        if (phrase == 1 || phrase == 3)
            c.melody(Voice::Bell, kPhraseC, p, 0.3, 0.7);
    }
    c.add(Voice::Crash, s + 32, 4, 0, 0.7);
    c.riser(s + 56, 8, 0.6);
    c.snareRoll(s + 60, 4, 0.4, 1.0);
    // A short, shallow build in the last bar: the final hit opens the top.
    c.build(s + 60, s + 64, kClimaxDb, 2000.0, 1.0, kClimaxDb);
}

// One last hit when the picture goes black: the tonic chord struck with the
// cymbal and the boom, left to ring out into silence.
void outro(Composer& c)
{
    const double s = c.at(kOutro);
    c.impact(s, 1.0, true);
    c.hit(Voice::Kick, s, 1.0);
    for (int i = 0; i < 3; ++i)
        c.add(Voice::Pad, s, 4, kAm.pad[i], 0.85, (i - 1) * 0.6, 0.6, 0.02);
    c.add(Voice::SubBass, s, 4, kAm.root - 12, 0.7);
    c.add(Voice::Lead, s, 3, 81, 0.8, 0.0, 0.6);
    c.add(Voice::Bell, s, 1, 81, 0.4, 0.0, 0.6);
}

}  // namespace

Score composeScore()
{
    Score score;
    score.lengthSeconds = kSoundtrackSeconds;
    Composer c(score);
    intro(c);
    groove(c);
    breakdown(c);
    drop(c);
    climax(c);
    outro(c);
    // Time order makes the score easy to read back and to check.
    std::stable_sort(score.notes.begin(), score.notes.end(),
                     [](const Note& a, const Note& b) { return a.start < b.start; });
    return score;
}

}  // namespace music
