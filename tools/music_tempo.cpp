#include "tools/music_tempo.h"

namespace music {

namespace {

// (cut time in seconds, beats until the next cut). The beat counts give
// 125.7, 125.8, 121.7, 125.2 and 128.0 BPM: within a few percent of each
// other, the climax a touch faster. The outro is the final hit at 120 s
// ringing out; its three bars at 125 BPM only place the tail.
struct Span {
    double start;
    double end;
    double beats;
};
constexpr Span kSpans[] = {
    {0.0, 21.0, 44},     // intro: 11 bars
    {21.0, 60.1, 82},    // groove: 20 bars and a 2/4 fill bar
    {60.1, 67.0, 14},    // breakdown: 3 bars and a 2/4 bar
    {67.0, 90.0, 48},    // drop: 12 bars
    {90.0, 120.0, 64},   // climax: 16 bars
    {120.0, 125.76, 12}, // outro: 3 bars at 125 BPM
};

}  // namespace

TempoMap::TempoMap()
{
    double beat = 0.0;
    for (const Span& span : kSpans) {
        sections_.push_back({span.start, beat, span.beats, (span.end - span.start) / span.beats});
        beat += span.beats;
    }
}

double TempoMap::seconds(double beat) const
{
    const TempoSection* s = &sections_.front();
    for (const TempoSection& section : sections_)
        if (beat >= section.startBeat)
            s = &section;
    return s->startSeconds + (beat - s->startBeat) * s->secondsPerBeat;
}

double TempoMap::secondsPerBeatAt(double beat) const
{
    const TempoSection* s = &sections_.front();
    for (const TempoSection& section : sections_)
        if (beat >= section.startBeat)
            s = &section;
    return s->secondsPerBeat;
}

}  // namespace music
