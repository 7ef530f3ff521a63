#include "app/frame_loop.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "platform/display.h"
#include "core/data_path.h"
#include "core/globals.h"
#include "platform/message_box.h"
#include "app/timeline.h"
#include "media/pcm_track.h"
#include "platform/soundtrack.h"

int runDemo(const Options& options)
{
    DisplayOptions display;
    display.windowed = options.windowed;
    display.scale = options.scale;
    display.pixelFormat = options.pixelFormat.empty() ? nullptr : options.pixelFormat.c_str();
    setDisplayOptions(display);

    if (!openDisplay("Quarnel", kFrameWidth, kFrameHeight)) {
        showErrorMessage("Error: Could not open display");
        return 1;
    }
    // The display stays open on the failures below: the message box shows
    // over it and the process ends.
    if (!soundInit(!options.noSound)) {
        showErrorMessage("Error: Could not init", "No audio device could be opened; --no-sound plays without one.");
        return 1;
    }
    const std::string musicPath = dataPath("code.mp3");
    Mp3Notes notes;
    SoundStream* music = soundOpenStream(musicPath.c_str(), &notes);
    if (!music) {
        // The box keeps its one line; the terminal also learns why.
        const std::string why = "quarnel: could not load music " + musicPath + " (" + notes.refusal + ")";
        showErrorMessage("Error: Could not load music", why.c_str());
        return 1;
    }
    if (notes.cut)
        std::fprintf(stderr, "quarnel: %s is longer than %d minutes; only its first %d minutes play\n",
                     musicPath.c_str(), kMaxTrackMinutes, kMaxTrackMinutes);

    Timeline timeline;
    buildTimeline(timeline);
    timeline.effects.prepare();

    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    soundPlay(music, options.startMs);

    while (!quitRequested) {
        const int32_t t = soundGetTime(music);
        std::memset(framebuffer, 0, sizeof framebuffer);
        timeline.effects.renderFrame(t);
        presentFrame(framebuffer);
        advanceFrameCounter();
    }

    closeDisplay();
    timeline.destroyVideo();
    soundClose();
    return 0;
}
