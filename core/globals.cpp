#include "core/globals.h"

#include <cstdio>
#include <cstdlib>

uint32_t framebuffer[kFramePixels];
int32_t frameCounter = 0;
int32_t quitRequested = 0;

void fatal(const char* message)
{
    std::printf("%s\n", message);
    std::fflush(stdout);
    std::exit(1);
}
