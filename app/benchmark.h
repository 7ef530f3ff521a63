#pragma once
#include "app/options.h"

// --bench: renders the programme headless, frame by frame at a fixed step of
// music time (--fps, between --from and --to), and reports the cost of a
// frame per segment of the timeline on standard output, and as JSON in the
// file given by --bench-json. Returns the exit status.
int runBenchmark(const Options& options);
