#pragma once
// The soundtrack: an MP3 stream played once on the audio device. Its play
// position in milliseconds is the demo's only clock.
#include <cstdint>

struct SoundStream;

// Starts the sound system. withDevice false runs the clock from wall time
// with no audio device. false when no device can be opened.
bool soundInit(bool withDevice);

// Opens and decodes the MP3 file. Null when it cannot be read or is not MP3.
SoundStream* soundOpenStream(const char* path);

// Starts playback from fromMs into the stream (0 for the beginning).
void soundPlay(SoundStream* stream, int32_t fromMs);

// Play position in ms: 0 before play, then monotonic, matching what the
// listener hears; past the end of the stream it follows wall-clock time.
int32_t soundGetTime(SoundStream* stream);

// Stops the sound and releases the device, the decoder and the stream.
void soundClose();
