#pragma once
#include "driver/options.h"

// --bench: renders the programme headless, frame by frame at a fixed step of
// music time, and reports the cost of a frame per segment of the timeline.
// Returns the exit status.
int runBenchmark(const Options& options);
