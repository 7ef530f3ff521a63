#pragma once
// The instruments: each renders one score event, adding it into a stereo bus.
#include "tools/music_buffer.h"
#include "tools/music_score.h"

namespace music {

// Seconds a note sounds in total, its ringing tail included.
double voiceDuration(const Note& note);

// Adds the note to `bus` from its start sample on; samples past the end of the
// bus are dropped.
void renderNote(const Note& note, StereoBuffer& bus);

}  // namespace music
