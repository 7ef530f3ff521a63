#include "app/offline_run.h"

#include "app/interrupt_guard.h"
#include "core/quiet_output.h"

OfflineEnd renderOffline(Programme& programme, const FrameClock& clock, ProgressDisplay& progress,
                         const std::function<bool(int64_t)>& deliver, int32_t& lastMs)
{
    QuietOutput quiet(stdout);
    lastMs = clock.fromMs;
    programme.frame.frameCounter = 0;
    const int64_t frames = clock.frameCount();
    int64_t i = 0;
    OfflineEnd end = OfflineEnd::complete;
    programme.run(
        [&](int32_t& t) {
            if (i >= frames)
                return false;
            if (InterruptGuard::interruption()) {
                end = OfflineEnd::interrupted;
                return false;
            }
            t = lastMs = clock.musicMs(i);
            return true;
        },
        [&] {
            if (!deliver(i)) {
                end = OfflineEnd::failed;
                return false;
            }
            progress.update(++i, lastMs);
            return true;
        });
    if (end == OfflineEnd::complete && InterruptGuard::interruption())
        end = OfflineEnd::interrupted;
    return end;
}
