#pragma once
// The soundtrack file: an MP3 decoded into plain PCM.
#include <string>

#include "core/pcm_track.h"

// The longest soundtrack kept: ten minutes is some 106 MB of samples, and
// the demo's timeline is two. A longer file plays its first ten minutes.
constexpr int32_t kMaxTrackMinutes = 10;

// What the decoder has to say about a file besides its samples.
struct Mp3Notes {
    // Why the file was refused, a short phrase to put after its name:
    // "missing", "empty", "not a regular file", "unreadable: <system error>",
    // "not an MP3 file?", "could not resample". Empty when it decoded.
    std::string refusal;
    // The file was longer than kMaxTrackMinutes; only their worth was kept.
    bool cut = false;
};

// Decodes an MP3 (MPEG audio) file to 44100 Hz stereo, at most
// kMaxTrackMinutes of it. Mono streams are doubled to both channels, other
// sample rates are resampled. Gapless: with an encoder tag the encoder delay
// and padding are trimmed. Junk before, after or inside the stream is
// skipped; a file with no run of real MPEG audio frames within its first
// megabytes is refused (a WAV, random bytes, text). False, with out emptied
// and notes->refusal set, when the file is refused. Memory and time stay
// bounded whatever the file holds or however large it is.
bool decodeMp3File(const char* path, PcmTrack& out, Mp3Notes* notes = nullptr);

