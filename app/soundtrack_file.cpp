#include "app/soundtrack_file.h"

#include <cstdio>
#include <string>

#include "core/data_path.h"
#include "core/startup_error.h"
#include "media/mp3_decode.h"

PcmTrack loadSoundtrack(bool playing)
{
    const std::string path = dataPath("code.mp3");
    Mp3Notes notes;
    PcmTrack track;
    if (!decodeMp3File(path.c_str(), track, &notes)) {
        const std::string why = "quarnel: could not load music " + path + " (" + notes.refusal + ")";
        if (playing)
            throw StartupError(ErrorShown::messageBox, "Error: Could not load music", why);
        throw StartupError(ErrorShown::standardError, why);
    }
    if (notes.cut)
        std::fprintf(stderr, "quarnel: %s is longer than %d minutes; only its first %d minutes play\n", path.c_str(),
                     kMaxTrackMinutes, kMaxTrackMinutes);
    return track;
}
