#include "app/frame_timing.h"

#include <chrono>

#include "app/interrupt_guard.h"

void timeFrames(Programme& programme, const FrameClock& clock, std::vector<BenchSegment>& segments)
{
    const int64_t frames = clock.frameCount();
    int64_t i = 0;
    int32_t t = 0;
    std::chrono::steady_clock::time_point begin;
    programme.run(
        [&](int32_t& frameMs) {
            if (i >= frames || InterruptGuard::interruption())
                return false;
            frameMs = t = clock.musicMs(i++);
            begin = std::chrono::steady_clock::now();
            return true;
        },
        [&] {
            const auto end = std::chrono::steady_clock::now();
            for (BenchSegment& s : segments)
                if (s.fromMs <= t && t < s.toMs)
                    s.ms.push_back(std::chrono::duration<double, std::milli>(end - begin).count());
            return true;
        });
}
