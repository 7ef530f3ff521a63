#pragma once
// Look-ahead peak limiter for the master bus: no sample leaves it louder than
// the ceiling, and the gain moves smoothly enough not to be heard as distortion.
#include "tools/music_buffer.h"

namespace music {

// Limits `io` in place. The gain starts to fall `lookaheadSeconds` before a
// peak (a straight ramp, so no click) and recovers toward unity with the
// time constant `releaseSeconds`.
void limitPeaks(StereoBuffer& io, double ceiling, double lookaheadSeconds, double releaseSeconds);

}  // namespace music
