#pragma once
// The frame loop of --capture and --frames: no display and no sound device.
// The clock is the frame index (FrameClock), the frame counter starts at 0
// and advances once per frame as in the live loop, so the flashes keep their
// rhythm, and every effect renders exactly as in a live run.
#include <cstdint>
#include <functional>

#include "app/frame_clock.h"
#include "app/progress_line.h"
#include "app/programme.h"

enum class OfflineEnd { complete, failed, interrupted };

// Renders the clock's frames in order into the programme's frame and hands each to
// deliver(frame index) before the next is drawn. Stops at the first false
// from deliver (failed) or when SIGINT or SIGTERM arrives (interrupted; needs
// an InterruptGuard). Standard output is silenced while frames run. On return
// lastMs holds the music time of the last frame rendered (fromMs if none).
OfflineEnd renderOffline(Programme& programme, const FrameClock& clock, ProgressDisplay& progress,
                         const std::function<bool(int64_t)>& deliver, int32_t& lastMs);
