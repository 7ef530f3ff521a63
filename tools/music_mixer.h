#pragma once
// The mix: renders the score's instruments into buses, adds side-chain
// ducking, echo and reverb, and masters the sum (limiter, fades).
#include "tools/music_buffer.h"
#include "tools/music_score.h"

namespace music {

// Highest absolute sample value the master bus lets through (-2.6 dBFS): MP3
// encoding adds up to about 1.5 dB to sharp peaks (snare rolls), and the
// decoded stream must still keep its true peak at -1 dBTP or below.
constexpr double kMasterCeiling = 0.74;

// Renders the first `seconds` of the score (normally score.lengthSeconds).
// A shorter render gives the same samples as the start of a full one, except
// for the limiter's last few milliseconds of look-ahead.
StereoBuffer mixScore(const Score& score, double seconds);

}  // namespace music
