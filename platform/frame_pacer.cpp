#include "platform/frame_pacer.h"

FramePacer::FramePacer(int64_t periodNs, bool periodKnown)
    : period_(periodNs > 0 ? periodNs : 1), thresholdPercent_(periodKnown ? 97 : 75)
{
}

int64_t FramePacer::afterPresent(int64_t nowNs)
{
    if (!pacing_) {
        if (presents_ < kWarmUpPresents) {
            ++presents_;
        } else if (havePrevious_) {
            windowTotal_ += nowNs - previous_;
            if (++windowCount_ == kWindowIntervals) {
                // Faster on average than the display refreshes: the presents
                // are not waiting for it.
                pacing_ = windowTotal_ * 100 < period_ * thresholdPercent_ * kWindowIntervals;
                windowTotal_ = 0;
                windowCount_ = 0;
            }
        }
        previous_ = nowNs;
        havePrevious_ = true;
        if (!pacing_)
            return nowNs;
        resync_ = true;
    }

    // Deadlines one refresh apart. A frame that runs late is made up by the
    // next one; more than a whole refresh late, the schedule starts afresh
    // rather than rushing several frames out to catch up.
    if (resync_) {
        resync_ = false;
        deadline_ = nowNs;
        return nowNs;
    }
    deadline_ += period_;
    if (deadline_ < nowNs - period_)
        deadline_ = nowNs;
    return deadline_ > nowNs ? deadline_ : nowNs;
}

void FramePacer::interrupt()
{
    havePrevious_ = false;
    windowTotal_ = 0;
    windowCount_ = 0;
    resync_ = true;
}
