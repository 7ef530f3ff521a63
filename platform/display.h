#pragma once
// The program's one window: shows 320 x 240 frames full screen (or in a
// window), scaled up by whole pixels where they fit and letterboxed, and is the
// only source of input. Escape sets quitRequested; Alt+Enter switches between
// full screen and a window; a window-close request closes the display and ends
// the process with status 0.
#include <cstdint>

// 1 while the window has focus; frames are only drawn while it is set.
extern int32_t appActive;

struct DisplayOptions {
    bool windowed = false;          // a window instead of desktop full screen
    int scale = 0;                  // window size in multiples of the picture; 0: the largest that fits
    const char* pixelFormat = nullptr;  // force a layout by converter name, e.g. "rgb565" (copied)
};

// Must be called before openDisplay; the default is desktop full screen.
void setDisplayOptions(const DisplayOptions& options);

// Opens the window with the title and picture size. 1 on success, 0 on failure.
int openDisplay(const char* title, int width, int height);

// Handles pending input, then shows the frame if the program is active.
// 1 when shown or skipped while inactive, 0 when the frame was dropped.
int presentFrame(const uint32_t* pixels);

// Leaves full screen and destroys the window. Safe after a partial open and twice.
void closeDisplay();

// The names of the forcible pixel layouts, for --help and option checking.
bool isPixelFormatName(const char* name);
