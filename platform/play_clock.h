#pragma once
// The play position of a stream as the listener hears it, in frames at
// 44100 Hz. Pure arithmetic over what the audio callback reports and a tick
// counter, so it has no platform dependency of its own.
#include <cstdint>

// What the audio callback reported last. Written on the audio thread, read
// by the clock on the main thread under the device lock.
struct DeviceProgress {
    bool reported = false;        // a callback has run since playback started
    int64_t deliveredFrames = 0;  // stream frame just after the audio handed over then
    uint64_t callbackTicks = 0;   // tick counter when that callback ran
};

class PlayClock {
public:
    // lengthFrames: length of the stream. latencyFrames: how long audio
    // handed to the device in a callback takes to be heard, counted from the
    // end of that callback's data. periodFrames: frames per callback, the
    // most the clock runs on between two callbacks. ticksPerSecond: the
    // rate of the tick counter.
    PlayClock(int64_t lengthFrames, int64_t latencyFrames, int64_t periodFrames, uint64_t ticksPerSecond);

    // Playback begins at fromFrame. Without a device the position follows
    // the tick counter from there.
    void start(int64_t fromFrame, uint64_t nowTicks, bool withDevice);

    bool started() const { return started_; }

    // The position at nowTicks: 0 before start, fromFrame until the audio
    // started at fromFrame can be heard, then the device's progress less its
    // latency, run on between callbacks by the tick counter. Never less than
    // the value returned before. Once the end of the stream is heard it
    // follows the tick counter alone, so it keeps advancing after the music.
    int64_t position(const DeviceProgress& progress, uint64_t nowTicks);

    // Frames of audio that play in `ticks` ticks.
    int64_t framesIn(uint64_t ticks) const;

private:
    int64_t lengthFrames_;
    int64_t latencyFrames_;
    int64_t periodFrames_;
    uint64_t ticksPerSecond_;

    bool started_ = false;
    bool wallClock_ = false;    // following the tick counter alone
    int64_t fromFrame_ = 0;
    int64_t anchorFrame_ = 0;   // wall-clock mode: position at anchorTicks_
    uint64_t anchorTicks_ = 0;
    int64_t lastFrame_ = 0;     // the last position returned
};
