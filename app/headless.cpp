#include "app/headless.h"

#include <cstdio>
#include <cstring>

#include "core/globals.h"
#include "app/interrupt_guard.h"
#include "capture/output_file.h"
#include "app/timeline.h"
#include "capture/image_file.h"

int renderSingleFrame(const Options& options)
{
    InterruptGuard guard;
    const std::string& out = options.out;
    OutputFile file;
    std::string error;
    if (!file.open(out, error)) {
        std::fprintf(stderr, "quarnel: could not write %s: %s\n", out.c_str(), error.c_str());
        return 1;
    }
    Timeline timeline;
    buildTimeline(timeline);
    timeline.effects.prepare();
    // The counter is 32 bits wide; a value past INT32_MAX is the same bits.
    frameCounter = static_cast<int32_t>(options.frameCounter);
    std::memset(framebuffer, 0, sizeof framebuffer);
    timeline.effects.renderFrame(options.frameAtMs);
    timeline.destroyVideo();
    const bool written = hasExtension(out, ".png") ? writePng(file.path(), framebuffer, kFrameWidth, kFrameHeight)
                                                   : writeRawPixels(file.path(), framebuffer, kFramePixels);
    if (const int signal = InterruptGuard::interruption()) {
        std::fprintf(stderr, "quarnel: interrupted by signal %d; nothing was written to %s\n", signal, out.c_str());
        return 1;
    }
    if (!written || !file.commit(error)) {
        std::fprintf(stderr, "quarnel: could not write %s%s%s\n", out.c_str(), error.empty() ? "" : ": ",
                     error.c_str());
        return 1;
    }
    return 0;
}
