// The soundtrack opener on arbitrary bytes: decodeMp3File and the stream
// opener the player calls. A track is either refused or decoded to whole
// stereo frames at 44100 Hz.
#include <cstdint>
#include <cstdlib>
#include <utility>

#include "fuzz/fuzz_input_file.h"
#include "media/mp3_decode.h"
#include "platform/soundtrack.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string& path = fuzzInputPath(".mp3");
    if (!writeFuzzInput(path, data, size))
        return 0;
    PcmTrack track;
    const bool decoded = decodeMp3File(path.c_str(), track);
    if (decoded && (track.samples.empty() || track.samples.size() % kPcmChannels != 0))
        std::abort();
    if (!decoded && !track.samples.empty())
        std::abort();
    if (decoded) {
        SoundStream* stream = soundOpenStream(std::move(track));
        soundPlay(stream, 0);
        soundGetTime(stream);
    }
    soundClose();
    return 0;
}
