#pragma once
// The soundtrack, data/code.mp3, decoded for the audio device or a capture.
#include "core/pcm_track.h"

// A track cut at the length limit is said on standard error. One that cannot
// be used throws StartupError: when playing, the box's own line "Error: Could
// not load music" with the reason after it on standard error; offline, the
// reason alone on standard error.
PcmTrack loadSoundtrack(bool playing);
