#include "driver/frame_loop.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "display/display.h"
#include "driver/data_path.h"
#include "driver/globals.h"
#include "driver/message.h"
#include "driver/timeline.h"
#include "sound/soundtrack.h"

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
    SoundStream* music = soundOpenStream(dataPath("code.mp3").c_str());
    if (!music) {
        showErrorMessage("Error: Could not load music");
        return 1;
    }

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
