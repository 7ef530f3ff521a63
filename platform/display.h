#pragma once
// The program's one window: shows 320 x 240 frames full screen (or in a
// window), scaled up by whole pixels where they fit and letterboxed, and is the
// only source of input. Escape asks the frame loop to stop; Alt+Enter
// switches between full screen and a window; a window-close request asks the
// same, and the program then ends with status 0.
#include <cstdint>

// The largest window scale factor (--scale).
constexpr int kMaxScale = 16;

// The viewer's wish to stop, owned by the frame loop and set by the display.
struct QuitRequest {
    int32_t quitRequested = 0;  // 1 once Escape is pressed or the window is closed
    bool windowClosed = false;  // the window was asked to close: nothing more is shown
};

struct DisplayOptions {
    bool windowed = false;          // a window instead of desktop full screen
    int scale = 0;                  // window size in multiples of the picture, up to kMaxScale; 0: the largest that fits
    const char* pixelFormat = nullptr;  // force a layout by converter name, e.g. "rgb565" (copied)
};

// Must be called before openDisplay; the default is desktop full screen.
void setDisplayOptions(const DisplayOptions& options);

// Opens the window with the title and picture size; the viewer's requests to
// stop go to quit, which must outlive the display. Throws StartupError (a
// message box) when it cannot be opened.
void openDisplay(const char* title, int width, int height, QuitRequest& quit);

// True while the window has focus; frames are only drawn then.
bool displayActive();

// Handles pending input, then shows the frame if the program is active.
// False when the frame was dropped.
bool presentFrame(const uint32_t* pixels);

// Leaves full screen and destroys the window. Safe after a partial open and twice.
void closeDisplay();

// The names of the forcible pixel layouts, for --help and option checking.
bool isPixelFormatName(const char* name);
