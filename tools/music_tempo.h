#pragma once
// The soundtrack's tempo map. The programme cuts at fixed times (21.0, 60.1,
// 67.0, 90.0 and 120.0 s); each span between two cuts holds a whole number of
// beats at its own tempo close to 125 BPM, so every cut falls exactly on a
// downbeat. Beats are counted from the start of the music.
#include <vector>

namespace music {

struct TempoSection {
    double startSeconds;
    double startBeat;
    double beats;
    double secondsPerBeat;
};

class TempoMap {
public:
    TempoMap();
    // Music time of a beat position (piecewise linear; beats past the last
    // section continue at its tempo).
    double seconds(double beat) const;
    // Beat at which section `index` starts.
    double sectionBeat(int index) const { return sections_[index].startBeat; }
    double sectionSeconds(int index) const { return sections_[index].startSeconds; }
    double sectionBeats(int index) const { return sections_[index].beats; }
    int sectionCount() const { return static_cast<int>(sections_.size()); }
    double secondsPerBeatAt(double beat) const;

private:
    std::vector<TempoSection> sections_;
};

// Section indices, in order of the programme.
enum Section { kIntro = 0, kGroove, kBreakdown, kDrop, kClimax, kOutro };

}  // namespace music
