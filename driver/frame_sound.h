#pragma once
// The soundtrack's share of each frame of an offline run: the samples from
// the frame's own start up to the next frame's, taken from the decoded track
// at the run's first music time. Frame by frame the pieces join without gap
// or overlap, so the sound of a capture is the track itself.
#include <cstdint>
#include <vector>

#include "driver/frame_clock.h"
#include "sound/pcm_track.h"

// Fills out with the interleaved stereo samples of frame i (silence outside the track).
void frameSound(const PcmTrack& track, const FrameClock& clock, int64_t frame, std::vector<int16_t>& out);

// The samples of the whole run: frameCount() frames' worth, joined.
void runSound(const PcmTrack& track, const FrameClock& clock, std::vector<int16_t>& out);
