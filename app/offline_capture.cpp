#include "app/offline_capture.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "capture/upscale.h"
#include "capture/video_file_writer.h"
#include "core/data_path.h"
#include "app/frame_clock.h"
#include "app/frame_sound.h"
#include "app/interrupt_guard.h"
#include "app/run_failure.h"
#include "app/offline_run.h"
#include "capture/output_file.h"
#include "app/progress_line.h"
#include "app/soundtrack_file.h"
#include "capture/wav_file.h"
#include "capture/image_file.h"

namespace {

// The frame as it goes out: its pixels themselves, or enlarged into scaled.
const uint32_t* outputPixels(const Frame& frame, int scale, std::vector<uint32_t>& scaled)
{
    if (scale == 1)
        return frame.framebuffer;
    scaled.resize(size_t(kFramePixels) * scale * scale);
    upscaleNearest(frame.framebuffer, kFrameWidth, kFrameHeight, scale, scaled.data());
    return scaled.data();
}

[[noreturn]] void failInterrupted(int32_t musicMs, const std::string& what)
{
    failRun("quarnel: interrupted at music time %s; %s", formatMusicTime(musicMs).c_str(), what.c_str());
}

std::string megabytes(const std::string& path)
{
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", ec ? 0.0 : double(size) / 1e6);
    return text;
}

// The span of music time to render: --from up to --to or the soundtrack's
// end. Fails the run when it holds no frame.
FrameClock captureClock(const Options& options, const PcmTrack& track)
{
    const FrameClock clock{options.fromMs, rangeEndMs(options, trackEndMs(track)), options.fps};
    if (clock.frameCount() <= 0)
        failRun("quarnel: --from %d is not before the end of the capture (%d ms, where the soundtrack ends); give --to",
                clock.fromMs, clock.toMs);
    return clock;
}

}  // namespace

int runCapture(const Options& options)
{
    const int scale = outputScale(options);
    InterruptGuard guard;

    // Made before anything is rendered, so an unwritable place fails at once.
    OutputFile file;
    std::string error;
    if (!file.open(options.capture, error)) {
        failRun("quarnel: could not write %s: %s", options.capture.c_str(), error.c_str());
    }
    const PcmTrack track = loadSoundtrack(false);
    const FrameClock clock = captureClock(options, track);

    VideoFileWriter writer;
    VideoFileSettings settings;
    settings.width = kFrameWidth * scale;
    settings.height = kFrameHeight * scale;
    settings.fps = options.fps;
    settings.sampleRate = kPcmRate;
    if (!writer.open(file.path(), options.capture, settings, error)) {
        failRun("quarnel: could not write %s: %s", options.capture.c_str(), error.c_str());
    }

    std::unique_ptr<Programme> programme = openProgramme();

    std::vector<uint32_t> scaled;
    std::vector<int16_t> sound;
    ProgressDisplay progress(stderr, clock.frameCount(), options.fps);
    int32_t lastMs = 0;
    const OfflineEnd end = renderOffline(
        *programme, clock, progress,
        [&](int64_t frame) {
            if (!writer.writeVideo(outputPixels(programme->frame, scale, scaled), error))
                return false;
            frameSound(track, clock, frame, sound);
            return writer.writeAudio(sound.data(), int64_t(sound.size() / kPcmChannels), error);
        },
        lastMs);
    progress.close();
    programme->closeVideo();

    const std::string notWritten = "nothing was written to " + options.capture;
    if (end == OfflineEnd::interrupted)
        failInterrupted(lastMs, notWritten);
    if (end == OfflineEnd::failed || !writer.finish(error) || !file.commit(error)) {
        failRun("quarnel: could not write %s: %s; %s", options.capture.c_str(), error.c_str(), notWritten.c_str());
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
    const int scale = outputScale(options);
    InterruptGuard guard;

    // The frames go into a folder of ours that takes the final folder's
    // place only when every frame and the sound are written.
    OutputFile folder(OutputKind::folder);
    std::string error;
    if (!folder.open(options.framesDir, error)) {
        failRun("quarnel: could not write %s: %s", options.framesDir.c_str(), error.c_str());
    }
    const PcmTrack track = loadSoundtrack(false);
    const FrameClock clock = captureClock(options, track);
    // Refused before any frame is drawn rather than failing at the end.
    if (runSoundFrames(clock) > maxWavFrames(kPcmChannels)) {
        failRun("quarnel: the span from %d to %d ms is too long for audio.wav (at most %lld s); "
                "use a shorter span or --capture", clock.fromMs, clock.toMs,
                static_cast<long long>(maxWavFrames(kPcmChannels) / kPcmRate));
    }
    const std::string wavPath = folder.path() + "/audio.wav";
    WavWriter wav;
    if (!wav.open(wavPath, runSoundFrames(clock), kPcmRate, kPcmChannels, error)) {
        failRun("quarnel: could not write %s/audio.wav: %s", options.framesDir.c_str(), error.c_str());
    }

    std::unique_ptr<Programme> programme = openProgramme();

    std::vector<uint32_t> scaled;
    std::vector<int16_t> sound;
    std::string failed;
    ProgressDisplay progress(stderr, clock.frameCount(), options.fps);
    int32_t lastMs = 0;
    const OfflineEnd end = renderOffline(
        *programme, clock, progress,
        [&](int64_t frame) {
            char name[32];
            std::snprintf(name, sizeof name, "frame-%06lld.png", static_cast<long long>(frame));
            if (!writePng(folder.path() + "/" + name, outputPixels(programme->frame, scale, scaled), kFrameWidth * scale,
                          kFrameHeight * scale)) {
                failed = name;
                return false;
            }
            frameSound(track, clock, frame, sound);
            if (!wav.write(sound.data(), int64_t(sound.size() / kPcmChannels), error)) {
                failed = "audio.wav";
                return false;
            }
            return true;
        },
        lastMs);
    progress.close();
    programme->closeVideo();

    const std::string notWritten = "nothing was written to " + options.framesDir;
    if (end == OfflineEnd::interrupted)
        failInterrupted(lastMs, notWritten);
    if (end == OfflineEnd::failed || !wav.close(error) || !folder.commit(error)) {
        failRun("quarnel: could not write %s%s%s; %s", (options.framesDir + (failed.empty() ? "" : "/" + failed)).c_str(),
                error.empty() ? "" : ": ", error.c_str(), notWritten.c_str());
    }
    std::fprintf(stderr, "quarnel: wrote %lld frames (frame-000000.png ...) and audio.wav to %s\n",
                 static_cast<long long>(clock.frameCount()), options.framesDir.c_str());
    return 0;
}
