#include "core/globals.h"

#include <cstdio>
#include <cstdlib>

// On a page of its own: the kernels store whole vectors along its rows, and
// where it falls against the tables they read shows in the frame time.
alignas(4096) uint32_t framebuffer[kFramePixels];
int32_t frameCounter = 0;
int32_t quitRequested = 0;

void fatal(const char* message)
{
    std::printf("%s\n", message);
    std::fflush(stdout);
    std::exit(1);
}
