#pragma once
// The soundtrack: a decoded track played once on the audio device. Its play
// position in milliseconds is the demo's only clock.
//
// All five operations run on the main thread. The sound system is one per
// process, like the device it drives.
#include <cstdint>

#include "core/pcm_track.h"

struct SoundStream;

// Starts the sound system. withDevice true opens the default audio device
// (44100 Hz, stereo, 16-bit); false when none can be opened. withDevice
// false plays nothing and runs the clock from wall time.
bool soundInit(bool withDevice);

// Takes the decoded track for playing: playback never decodes and the exact
// length is known. The stream lives until soundClose.
SoundStream* soundOpenStream(PcmTrack track);

// Starts playback from fromMs into the stream (0 for the beginning); the
// clock reads fromMs at this point. Plays once, no loop.
void soundPlay(SoundStream* stream, int32_t fromMs);

// Play position in ms: 0 before play, then monotonic, matching what the
// listener hears; past the end of the stream it follows wall-clock time.
int32_t soundGetTime(SoundStream* stream);

// Stops the sound and releases the device and every stream. Safe to call
// when nothing was started; stream pointers are invalid afterwards.
void soundClose();
