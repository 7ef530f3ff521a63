#pragma once
#include "app/options.h"

// Plays the demo: opens the display, starts the soundtrack, builds the
// programme and runs the frame loop until Escape or the window closes.
// Start-up failures throw StartupError. Returns the exit status.
int runDemo(const Options& options);
