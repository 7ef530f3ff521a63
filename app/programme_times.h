#pragma once
// The programme's changes of scene, in milliseconds of music time: the
// timeline's spans, the segments of --bench and the ends of offline runs are
// all made of these.
#include <cstdint>

constexpr int32_t kTitleEndMs = 21000;       // title card and orbiting spheres end; the video starts
constexpr int32_t kVideoEndMs = 60100;       // the video ends; the tunnel starts
constexpr int32_t kCreditsStartMs = 67000;   // the credits sphere joins the tunnel
constexpr int32_t kFlashStartMs = 90000;     // the picture flash joins them
constexpr int32_t kProgrammeEndMs = 120000;  // the last scene ends and the screen stays black
// Offline runs go on this far at least, so that a capture shows the black end.
constexpr int32_t kOfflineEndMs = kProgrammeEndMs + 2000;
