#include "app/offline_run.h"

#include <cstring>

#include "core/globals.h"
#include "app/interrupt_guard.h"
#include "app/quiet_stdout.h"

OfflineEnd renderOffline(Timeline& timeline, const FrameClock& clock, ProgressDisplay& progress,
                         const std::function<bool(int64_t)>& deliver, int32_t& lastMs)
{
    QuietStdout quiet;
    lastMs = clock.fromMs;
    frameCounter = 0;
    const int64_t frames = clock.frameCount();
    for (int64_t i = 0; i < frames; ++i) {
        if (InterruptGuard::interruption())
            return OfflineEnd::interrupted;
        const int32_t t = clock.musicMs(i);
        std::memset(framebuffer, 0, sizeof framebuffer);
        timeline.effects.renderFrame(t);
        // As in the live loop, the counter advances after the frame is drawn
        // and before it is shown; the flash effects have already read it.
        advanceFrameCounter();
        lastMs = t;
        if (!deliver(i))
            return OfflineEnd::failed;
        progress.update(i + 1, t);
    }
    return InterruptGuard::interruption() ? OfflineEnd::interrupted : OfflineEnd::complete;
}
