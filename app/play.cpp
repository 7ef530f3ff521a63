#include "app/play.h"

#include <chrono>
#include <thread>

#include "app/programme.h"
#include "app/soundtrack_file.h"
#include "core/startup_error.h"
#include "platform/display.h"
#include "platform/soundtrack.h"

namespace {

// The sound system from soundInit to soundClose.
struct SoundSession {
    SoundSession(const SoundSession&) = delete;
    SoundSession& operator=(const SoundSession&) = delete;
    explicit SoundSession(bool withDevice)
    {
        if (!soundInit(withDevice))
            throw StartupError(ErrorShown::messageBox, "Error: Could not init",
                               "No audio device could be opened; --no-sound plays without one.");
    }
    ~SoundSession() { close(); }
    void close() { soundClose(); }  // safe twice
};

}  // namespace

int runDemo(const Options& options)
{
    DisplayOptions display;
    display.windowed = options.windowed;
    display.scale = options.scale;
    display.pixelFormat = options.pixelFormat.empty() ? nullptr : options.pixelFormat.c_str();
    setDisplayOptions(display);

    // On a start-up failure the display stays open: the message box shows
    // over it and the process ends.
    QuitRequest quit;
    openDisplay("Quarnel", kFrameWidth, kFrameHeight, quit);
    SoundSession sound(!options.noSound);
    SoundStream* music = soundOpenStream(loadSoundtrack(true));
    std::unique_ptr<Programme> programme = openProgramme();

    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    soundPlay(music, options.startMs);
    programme->run(
        [&](int32_t& t) {
            if (quit.quitRequested)
                return false;
            t = soundGetTime(music);
            return true;
        },
        [&] {
            presentFrame(programme->frame.framebuffer);
            return true;
        });

    // Shutting down: the display, the video, the sound, then the rest.
    closeDisplay();
    programme->closeVideo();
    sound.close();
    return 0;
}
