#pragma once
#include "app/options.h"

// Plays the demo: opens the display, starts the soundtrack, builds the
// timeline and runs the frame loop until Escape. Returns the exit status.
int runDemo(const Options& options);
