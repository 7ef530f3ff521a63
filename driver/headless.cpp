#include "driver/headless.h"

#include <cstdio>
#include <cstring>

#include "driver/globals.h"
#include "driver/timeline.h"
#include "pixel/image_file.h"

int renderSingleFrame(const Options& options)
{
    Timeline timeline;
    buildTimeline(timeline);
    timeline.effects.prepare();

    frameCounter = options.frameCounter;
    std::memset(framebuffer, 0, sizeof framebuffer);
    timeline.effects.renderFrame(options.frameAtMs);
    ++frameCounter;

    const std::string& out = options.out;
    const bool png = out.size() >= 4 && out.compare(out.size() - 4, 4, ".png") == 0;
    const bool written = png ? writePng(out, framebuffer, kFrameWidth, kFrameHeight)
                             : writeRawPixels(out, framebuffer, kFramePixels);
    if (!written) {
        std::fprintf(stderr, "quarnel: could not write %s\n", out.c_str());
        std::remove(out.c_str());
        return 1;
    }
    timeline.destroyVideo();
    return 0;
}
