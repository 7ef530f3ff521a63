#include "app/headless.h"

#include <cstdio>

#include "app/interrupt_guard.h"
#include "app/run_failure.h"
#include "app/programme.h"
#include "capture/image_file.h"
#include "capture/output_file.h"

int renderSingleFrame(const Options& options)
{
    InterruptGuard guard;
    const std::string& out = options.out;
    OutputFile file;
    std::string error;
    if (!file.open(out, error)) {
        failRun("quarnel: could not write %s: %s", out.c_str(), error.c_str());
    }
    std::unique_ptr<Programme> programme = openProgramme();
    Frame& frame = programme->frame;
    // The counter is 32 bits wide; a value past INT32_MAX is the same bits.
    frame.frameCounter = static_cast<int32_t>(options.frameCounter);
    bool drawn = false;
    programme->run(
        [&](int32_t& t) {
            t = options.frameAtMs;
            return !drawn;
        },
        [&] {
            drawn = true;
            return false;
        });
    programme->closeVideo();
    const bool written = hasExtension(out, ".png")
                             ? writePng(file.path(), frame.framebuffer, kFrameWidth, kFrameHeight)
                             : writeRawPixels(file.path(), frame.framebuffer, kFramePixels);
    if (const int signal = InterruptGuard::interruption()) {
        failRun("quarnel: interrupted by signal %d; nothing was written to %s", signal, out.c_str());
    }
    if (!written || !file.commit(error)) {
        failRun("quarnel: could not write %s%s%s", out.c_str(), error.empty() ? "" : ": ",
                     error.c_str());
    }
    return 0;
}
