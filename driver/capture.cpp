#include "driver/capture.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "capture/upscale.h"
#include "capture/video_file_writer.h"
#include "driver/data_path.h"
#include "driver/frame_clock.h"
#include "driver/frame_sound.h"
#include "driver/globals.h"
#include "driver/interrupt_guard.h"
#include "driver/offline_run.h"
#include "driver/partial_file.h"
#include "driver/progress_line.h"
#include "driver/timeline.h"
#include "driver/wav_file.h"
#include "pixel/image_file.h"
#include "sound/pcm_track.h"

namespace {

bool loadSoundtrack(PcmTrack& track)
{
    const std::string path = dataPath("code.mp3");
    if (decodeMp3File(path.c_str(), track))
        return true;
    std::fprintf(stderr, "quarnel: could not load music %s (not an MP3 file?)\n", path.c_str());
    return false;
}

// The frame as it goes out: the framebuffer itself, or enlarged into scaled.
const uint32_t* outputPixels(int scale, std::vector<uint32_t>& scaled)
{
    if (scale == 1)
        return framebuffer;
    scaled.resize(size_t(kFramePixels) * scale * scale);
    upscaleNearest(framebuffer, kFrameWidth, kFrameHeight, scale, scaled.data());
    return scaled.data();
}

void reportInterrupted(int32_t musicMs, const std::string& what)
{
    std::fprintf(stderr, "quarnel: interrupted at music time %s; %s\n", formatMusicTime(musicMs).c_str(),
                 what.c_str());
}

std::string megabytes(const std::string& path)
{
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", ec ? 0.0 : double(size) / 1e6);
    return text;
}

}  // namespace

int runCapture(const Options& options)
{
    const FrameClock clock{options.fromMs, rangeEndMs(options), options.fps};
    const int scale = outputScale(options);
    InterruptGuard guard;

    PcmTrack track;
    if (!loadSoundtrack(track))
        return 1;

    // Opened before the timeline is built, so an unwritable place fails at once.
    PartialFile file(options.capture);
    VideoFileWriter writer;
    VideoFileSettings settings;
    settings.width = kFrameWidth * scale;
    settings.height = kFrameHeight * scale;
    settings.fps = options.fps;
    settings.sampleRate = kPcmRate;
    std::string error;
    if (!writer.open(file.path(), options.capture, settings, error)) {
        std::fprintf(stderr, "quarnel: could not write %s: %s\n", options.capture.c_str(), error.c_str());
        return 1;
    }

    Timeline timeline;
    buildTimeline(timeline);
    timeline.effects.prepare();

    std::vector<uint32_t> scaled;
    std::vector<int16_t> sound;
    ProgressDisplay progress(stderr, clock.frameCount(), options.fps);
    int32_t lastMs = 0;
    const OfflineEnd end = renderOffline(
        timeline, clock, progress,
        [&](int64_t frame) {
            if (!writer.writeVideo(outputPixels(scale, scaled), error))
                return false;
            frameSound(track, clock, frame, sound);
            return writer.writeAudio(sound.data(), int64_t(sound.size() / kPcmChannels), error);
        },
        lastMs);
    progress.close();
    timeline.destroyVideo();

    const std::string notWritten = "nothing was written to " + options.capture;
    if (end == OfflineEnd::interrupted) {
        reportInterrupted(lastMs, notWritten);
        return 1;
    }
    if (end == OfflineEnd::failed || !writer.finish(error) || !file.commit(error)) {
        std::fprintf(stderr, "quarnel: could not write %s: %s; %s\n", options.capture.c_str(), error.c_str(),
                     notWritten.c_str());
        return 1;
    }
    // A signal during the last flush: the file is whole, so it stays.
    const double seconds = progress.elapsedSeconds();
    const double musicSeconds = double(clock.frameCount()) / options.fps;
    std::fprintf(stderr, "quarnel: wrote %s (%s): %lld frames of %d x %d at %d fps, %.1f s, in %.1f s (%.1fx real time, %s)\n",
                 options.capture.c_str(), megabytes(options.capture).c_str(),
                 static_cast<long long>(clock.frameCount()), settings.width, settings.height, options.fps,
                 musicSeconds, seconds, seconds > 0 ? musicSeconds / seconds : 0.0,
                 writer.videoEncoderName().c_str());
    return 0;
}

int runFrameExport(const Options& options)
{
    const FrameClock clock{options.fromMs, rangeEndMs(options), options.fps};
    const int scale = outputScale(options);
    const std::string& folder = options.framesDir;
    InterruptGuard guard;

    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!std::filesystem::is_directory(folder, ec)) {
        std::fprintf(stderr, "quarnel: could not make the folder %s\n", folder.c_str());
        return 1;
    }
    PcmTrack track;
    if (!loadSoundtrack(track))
        return 1;

    Timeline timeline;
    buildTimeline(timeline);
    timeline.effects.prepare();

    std::vector<uint32_t> scaled;
    std::string failedPath;
    ProgressDisplay progress(stderr, clock.frameCount(), options.fps);
    int32_t lastMs = 0;
    const OfflineEnd end = renderOffline(
        timeline, clock, progress,
        [&](int64_t frame) {
            char name[32];
            std::snprintf(name, sizeof name, "/frame-%06lld.png", static_cast<long long>(frame));
            const std::string path = folder + name;
            // writePng leaves nothing usable behind on failure; remove what it left.
            if (writePng(path, outputPixels(scale, scaled), kFrameWidth * scale, kFrameHeight * scale))
                return true;
            std::remove(path.c_str());
            failedPath = path;
            return false;
        },
        lastMs);
    progress.close();
    timeline.destroyVideo();

    if (end == OfflineEnd::interrupted) {
        reportInterrupted(lastMs, "the frames before it are in " + folder);
        return 1;
    }
    if (end == OfflineEnd::failed) {
        std::fprintf(stderr, "quarnel: could not write %s\n", failedPath.c_str());
        return 1;
    }
    std::vector<int16_t> sound;
    runSound(track, clock, sound);
    PartialFile wav(folder + "/audio.wav");
    std::string error;
    if (!writeWavFile(wav.path(), sound.data(), int64_t(sound.size() / kPcmChannels), kPcmRate, kPcmChannels) ||
        !wav.commit(error)) {
        std::fprintf(stderr, "quarnel: could not write %s\n", wav.finalPath().c_str());
        return 1;
    }
    std::fprintf(stderr, "quarnel: wrote %lld frames (frame-000000.png ...) and audio.wav to %s\n",
                 static_cast<long long>(clock.frameCount()), folder.c_str());
    return 0;
}
