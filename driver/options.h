#pragma once
// The command line. With no arguments the program plays the demo full screen.
#include <cstdint>
#include <string>

struct Options {
    bool help = false;
    bool windowed = false;      // --window
    int scale = 0;              // --scale N (0: fit the screen)
    std::string pixelFormat;    // --pixel-format NAME
    bool noSound = false;       // --no-sound: the clock runs from wall time
    int32_t startMs = 0;        // --start MS
    bool frameAt = false;       // --frame-at MS --out FILE: one frame, headless
    int32_t frameAtMs = 0;
    std::string out;
    bool bench = false;         // --bench: cost of a frame per segment, headless
    int fps = 60;               // --fps N: frames per second of music time (--bench)
    int32_t frameCounter = 0;   // --frame-counter N: the counter's value for that frame
    bool frameCounterSet = false;
};

// Fills options from argv. On a bad command line returns false with a
// one-line explanation in error.
bool parseOptions(int argc, const char* const* argv, Options& options, std::string& error);

std::string usageText();
