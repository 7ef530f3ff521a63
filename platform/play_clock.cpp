#include "platform/play_clock.h"

#include <algorithm>

#include "core/pcm_track.h"

PlayClock::PlayClock(int64_t lengthFrames, int64_t latencyFrames, int64_t periodFrames, uint64_t ticksPerSecond)
    : lengthFrames_(lengthFrames),
      latencyFrames_(latencyFrames),
      periodFrames_(periodFrames),
      ticksPerSecond_(ticksPerSecond ? ticksPerSecond : 1) {}

void PlayClock::start(int64_t fromFrame, uint64_t nowTicks, bool withDevice) {
    started_ = true;
    fromFrame_ = std::max<int64_t>(fromFrame, 0);
    lastFrame_ = fromFrame_;
    // Without a device, or when starting at or past the end, there is no
    // audio to follow.
    wallClock_ = !withDevice || fromFrame_ >= lengthFrames_;
    anchorFrame_ = fromFrame_;
    anchorTicks_ = nowTicks;
}

int64_t PlayClock::framesIn(uint64_t ticks) const {
    // Whole seconds and the remainder apart, so that ticks * rate cannot
    // overflow however long the run.
    const uint64_t seconds = ticks / ticksPerSecond_;
    const uint64_t rest = ticks % ticksPerSecond_;
    return static_cast<int64_t>(seconds * kPcmRate + rest * kPcmRate / ticksPerSecond_);
}

int64_t PlayClock::position(const DeviceProgress& progress, uint64_t nowTicks) {
    if (!started_)
        return 0;
    int64_t frame;
    if (wallClock_) {
        const uint64_t since = nowTicks > anchorTicks_ ? nowTicks - anchorTicks_ : 0;
        frame = anchorFrame_ + framesIn(since);
    } else {
        frame = fromFrame_;
        if (progress.reported) {
            // At the callback the listener hears deliveredFrames - latency;
            // between callbacks the sound runs on at the nominal rate, but
            // never beyond the next callback's data, so a stalled device
            // stalls the clock rather than letting it run ahead.
            const uint64_t since = nowTicks > progress.callbackTicks ? nowTicks - progress.callbackTicks : 0;
            const int64_t heard =
                progress.deliveredFrames - latencyFrames_ + std::min(framesIn(since), periodFrames_);
            frame = std::max(frame, heard);
        }
        if (std::max(frame, lastFrame_) >= lengthFrames_) {
            // The end of the music is heard: from here on only time passes.
            wallClock_ = true;
            anchorFrame_ = std::max(frame, lastFrame_);
            anchorTicks_ = nowTicks;
        }
    }
    // A callback that came late makes the estimate step back a little:
    // hold the clock until it has caught up.
    lastFrame_ = std::max(frame, lastFrame_);
    return lastFrame_;
}
