#pragma once
// Holds presents to the display's refresh rate when the renderer's vsync does
// not really wait. Software renderers and some drivers accept a vsync request
// and then return from every present at once; the demo would then spin at
// hundreds of frames a second; where SDL fakes the wait it sleeps whole
// milliseconds (16 ms at 60 Hz). The pacer times presents in windows of a few
// dozen; once a window comes out faster than the display can show frames, it
// paces every later present itself. A working vsync never trips it, so a real
// vsync is not fought with a second clock.
#include <cstdint>

class FramePacer {
public:
    // periodNs: one refresh of the display in nanoseconds. periodKnown: the
    // display reported its refresh rate; when it did not, periodNs is a guess
    // and only presents far faster than it are taken as unpaced, so that a
    // real vsync at another rate is left alone.
    explicit FramePacer(int64_t periodNs, bool periodKnown = true);

    // Call right after each present with the current time (ns, any steady
    // epoch). Returns the time the caller should sleep until before going on;
    // nowNs itself when there is nothing to wait for.
    int64_t afterPresent(int64_t nowNs);

    // Presenting paused (program inactive): the gap is neither measured nor
    // made up for.
    void interrupt();

    bool pacing() const { return pacing_; }

    // Presents per measuring window, and the first presents never measured
    // (a driver may queue a few frames before its vsync starts to block).
    static constexpr int32_t kWindowIntervals = 32;
    static constexpr int32_t kWarmUpPresents = 8;

private:
    int64_t period_;
    int64_t thresholdPercent_;  // a window averaging below this share of the period is unpaced
    int64_t previous_ = 0;     // time of the previous present
    bool havePrevious_ = false;
    int32_t presents_ = 0;     // presents seen, up to the warm-up count
    int64_t windowTotal_ = 0;  // sum of the intervals measured in this window
    int32_t windowCount_ = 0;
    bool pacing_ = false;
    bool resync_ = true;       // next deadline starts from now
    int64_t deadline_ = 0;
};
