#pragma once
// The command line. With no arguments the program plays the demo full screen.
#include <cstdint>
#include <string>

#include "app/programme_times.h"

struct Options {
    bool help = false;
    bool windowed = false;      // --window
    int scale = 0;              // --scale N (0: fit the screen; 3 for --capture, 1 for --frames)
    std::string pixelFormat;    // --pixel-format NAME
    bool noSound = false;       // --no-sound: the clock runs from wall time
    int32_t startMs = 0;        // --start MS
    bool frameAt = false;       // --frame-at MS --out FILE: one frame, headless
    int32_t frameAtMs = 0;
    std::string out;
    bool bench = false;         // --bench: cost of a frame per segment, headless
    std::string benchJson;      // --bench-json FILE: the same figures as JSON (implies --bench)
    std::string capture;        // --capture FILE: the programme to a .mp4 or .mkv video file
    std::string framesDir;      // --frames DIR: the programme as numbered PNG files
    int fps = 60;               // --fps N: frames per second of music time (offline modes)
    bool fpsSet = false;
    int32_t fromMs = 0;         // --from MS: first music time of an offline run
    int32_t toMs = -1;          // --to MS: offline frames end before this (-1: the mode's default)
    uint32_t frameCounter = 0;  // --frame-counter N: the 32-bit counter's value for that frame
    bool frameCounterSet = false;
    std::string dataDir;        // --data DIR: read the data files from DIR instead of "data"
};

// Fills options from argv. On a bad command line returns false with a
// one-line explanation in error.
bool parseOptions(int argc, const char* const* argv, Options& options, std::string& error);

std::string usageText();

// Whether name ends in extension (".png"), letters matched regardless of case.
bool hasExtension(const std::string& name, const char* extension);

// The end of an offline run: --to, or the end of the programme's last scene
// for --bench, and for a capture the end of the soundtrack (soundtrackEndMs),
// but no earlier than two seconds of black after the last scene, so that the
// music is never cut off mid-chord.
int32_t rangeEndMs(const Options& options, int32_t soundtrackEndMs);

// The upscale factor of --capture (default 3: 960 x 720) and --frames (default 1).
int outputScale(const Options& options);
