#pragma once
#include "app/options.h"

// --frame-at: builds the timeline as start-up does, renders the frame at the
// given music time as the first frame of a run and writes it. Exit status.
int renderSingleFrame(const Options& options);
