#pragma once
// The browser as the programme's platform: the page (web/player.js) shows the
// frames on a canvas, plays the soundtrack with Web Audio and keeps the one
// clock, the soundtrack's play position. These calls reach it from the
// module; each is one call into the page's script.
#include <cstdint>
#include <string>

#include "core/pcm_track.h"

// Shows a finished frame (0x00RRGGBB, top row first) on the canvas.
void pagePresent(const uint32_t* pixels);

// Hands the decoded soundtrack to the page, which keeps its own copy for
// Web Audio. The page decodes nothing itself.
void pageSoundOpen(const PcmTrack& track);

// Starts playback from fromMs; the clock reads fromMs at this point.
void pageSoundPlay(int32_t fromMs);

// The play position in milliseconds as the listener hears it: smooth,
// never backwards, and past the end of the soundtrack it runs on with the
// audio clock.
int32_t pageSoundTime();

// Shows why the programme cannot start, in place of a message box.
void pageShowMessage(const std::string& text, const std::string& detail);
