#pragma once
// The soundtrack's share of each frame of an offline run: the samples from
// the frame's own start up to the next frame's, taken from the decoded track
// at the run's first music time. Frame by frame the pieces join without gap
// or overlap, so the sound of a capture is the track itself, except that a
// run ending while the music still plays fades its last half second out
// rather than cutting the music off mid-note.
#include <cstdint>
#include <vector>

#include "app/frame_clock.h"
#include "core/pcm_track.h"

// Frames of sound over which a run that ends inside the music fades out.
constexpr int64_t kFadeOutFrames = kPcmRate / 2;

// Fills out with the interleaved stereo samples of frame i (silence outside the track).
void frameSound(const PcmTrack& track, const FrameClock& clock, int64_t frame, std::vector<int16_t>& out);

// The audio frames of the whole run: frameCount() video frames' worth.
int64_t runSoundFrames(const FrameClock& clock);

// The music time at which the track's sound ends, in whole ms rounded up.
int32_t trackEndMs(const PcmTrack& track);
