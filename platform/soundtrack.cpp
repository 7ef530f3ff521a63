// The five soundtrack operations over an SDL audio device. The track is
// decoded up front; the audio callback only copies samples and notes how
// far it got and when, and the clock turns that into the heard position.
#include "platform/soundtrack.h"

#include <SDL.h>

#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "core/pcm_track.h"
#include "core/quiet_output.h"
#include "platform/play_clock.h"

struct SoundStream {
    PcmTrack track;
};

namespace {

// Frames per callback: 23 ms at 44100 Hz, short enough for a close clock,
// long enough for SDL's dummy driver, which sleeps whole milliseconds per
// buffer, to keep near the true rate.
constexpr int kCallbackFrames = 1024;

// SDL2 cannot tell the device latency. Audio handed over in a callback is
// heard after that buffer and about one more queued in the device, so the
// estimate is two callback periods from the end of the callback's data.
constexpr int kLatencyPeriods = 2;

struct SoundSystem {
    bool initialised = false;
    bool audioSubsystemStarted = false;  // ours to quit
    SDL_AudioDeviceID device = 0;        // 0: no device, wall-clock mode
    int callbackFrames = kCallbackFrames;
    std::vector<std::unique_ptr<SoundStream>> streams;
    SoundStream* playing = nullptr;
    std::unique_ptr<PlayClock> clock;

    // Shared with the callback; SDL holds the device lock while the
    // callback runs, and the main thread takes it to touch these.
    const PcmTrack* callbackTrack = nullptr;
    int64_t cursor = 0;  // next frame to hand to the device
    DeviceProgress progress;
};

// Made on first use and freed by soundClose only: a process that ends
// without soundClose (a signal while a message box shows) leaves it to the
// audio thread rather than destroying it under a running callback during
// static destruction.
SoundSystem* soundSystem = nullptr;

SoundSystem& soundSystemInstance() {
    if (!soundSystem)
        soundSystem = new SoundSystem;
    return *soundSystem;
}

void SDLCALL fillAudio(void* userdata, Uint8* out, int len) {
    auto& sound = *static_cast<SoundSystem*>(userdata);
    const uint64_t now = SDL_GetPerformanceCounter();
    const int64_t frames = len / static_cast<int>(kPcmChannels * sizeof(int16_t));
    if (sound.callbackTrack)
        copyPcmFrames(*sound.callbackTrack, sound.cursor, reinterpret_cast<int16_t*>(out), frames);
    else
        std::memset(out, 0, static_cast<size_t>(len));
    // Past the end this hands over silence and keeps counting.
    sound.cursor += frames;
    sound.progress = DeviceProgress{true, sound.cursor, now};
}

}  // namespace

bool soundInit(bool withDevice) {
    SoundSystem& sound = soundSystemInstance();
    if (sound.initialised)
        return !withDevice || sound.device != 0;
    if (withDevice) {
        // With no sound card libasound prints its search on standard error;
        // a failure is reported by the caller in its own words.
        QuietOutput quiet(stderr);
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
            return false;
        SDL_AudioSpec want{};
        want.freq = kPcmRate;
        want.format = AUDIO_S16SYS;
        want.channels = kPcmChannels;
        want.samples = kCallbackFrames;
        want.callback = fillAudio;
        want.userdata = &sound;
        SDL_AudioSpec have{};
        // No changes allowed: SDL converts to whatever the hardware wants.
        sound.device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (sound.device == 0) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            return false;
        }
        sound.audioSubsystemStarted = true;
        if (have.samples > 0)
            sound.callbackFrames = have.samples;
    }
    sound.initialised = true;
    return true;
}

SoundStream* soundOpenStream(PcmTrack track) {
    auto stream = std::make_unique<SoundStream>();
    stream->track = std::move(track);
    SoundStream* handle = stream.get();
    soundSystemInstance().streams.push_back(std::move(stream));
    return handle;
}

void soundPlay(SoundStream* stream, int32_t fromMs) {
    if (!stream)
        return;
    SoundSystem& sound = soundSystemInstance();
    const int64_t fromFrame = pcmFrameAtMs(fromMs);
    const bool withDevice = sound.device != 0;
    if (withDevice) {
        SDL_LockAudioDevice(sound.device);
        sound.callbackTrack = &stream->track;
        sound.cursor = fromFrame;
        sound.progress = DeviceProgress{};
        SDL_UnlockAudioDevice(sound.device);
    }
    sound.playing = stream;
    sound.clock = std::make_unique<PlayClock>(stream->track.frameCount(),
                                              int64_t{kLatencyPeriods} * sound.callbackFrames,
                                              sound.callbackFrames, SDL_GetPerformanceFrequency());
    sound.clock->start(fromFrame, SDL_GetPerformanceCounter(), withDevice);
    if (withDevice)
        SDL_PauseAudioDevice(sound.device, 0);
}

int32_t soundGetTime(SoundStream* stream) {
    if (!soundSystem || !stream || stream != soundSystem->playing || !soundSystem->clock)
        return 0;
    SoundSystem& sound = *soundSystem;
    DeviceProgress progress;
    if (sound.device != 0) {
        SDL_LockAudioDevice(sound.device);
        progress = sound.progress;
        SDL_UnlockAudioDevice(sound.device);
    }
    // Read after the progress, so the time is never before its callback's.
    const uint64_t now = SDL_GetPerformanceCounter();
    return pcmMsAtFrame(sound.clock->position(progress, now));
}

void soundClose() {
    if (!soundSystem)
        return;
    // Closing the device ends the callback thread before the tracks go.
    if (soundSystem->device != 0)
        SDL_CloseAudioDevice(soundSystem->device);
    if (soundSystem->audioSubsystemStarted)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    delete soundSystem;
    soundSystem = nullptr;
}
