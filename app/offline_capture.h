#pragma once
#include "app/options.h"

// --capture FILE: renders the programme between --from and --to at --fps
// without display or sound device into an H.264 + AAC video file (MP4 or
// Matroska by the name), each pixel enlarged to --scale x --scale. The file
// appears under its name only when complete. Returns the exit status.
int runCapture(const Options& options);

// --frames DIR: the same frames as numbered PNG files (frame-000000.png, ...)
// in DIR, and the matching soundtrack as DIR/audio.wav. Returns the exit status.
int runFrameExport(const Options& options);
