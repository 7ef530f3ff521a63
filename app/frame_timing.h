#pragma once
// The measuring loop of --bench, and of the web page's bench: the clock's
// frames rendered headless, each frame's cost filed under its segment.
#include <vector>

#include "app/bench_report.h"
#include "app/frame_clock.h"
#include "app/programme.h"

// Renders the clock's frames in order and appends the cost of each, in
// milliseconds, to the segment holding its music time. Stops early when
// SIGINT or SIGTERM arrives (needs an InterruptGuard).
void timeFrames(Programme& programme, const FrameClock& clock, std::vector<BenchSegment>& segments);
