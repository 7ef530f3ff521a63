#pragma once
// The base of every timeline item and the time windows it is drawn in.
#include <cstdint>

#include "core/frame.h"
#include "core/ptr_list.h"

// An interval of music time, open at both ends.
struct TimeWindow {
    int32_t start;
    int32_t end;
};

class Effect {
public:
    PtrList<TimeWindow> windows;  // newest first; the windows are borrowed
    int32_t layer;                // drawing order, compared as unsigned
    int32_t start;                // activation time and origin of local time
    int32_t end;                  // retired once the music time passes this

    Effect(int32_t start, int32_t end, int32_t layer);
    virtual ~Effect() = default;
    Effect(const Effect&) = delete;
    Effect& operator=(const Effect&) = delete;

    // Draws the effect into frame for localMs = music time - start.
    virtual void render(Frame& frame, int32_t localMs);

    void addWindow(TimeWindow* window);

    // True when t lies strictly inside one of the attached windows.
    bool isLive(int32_t t);
};
