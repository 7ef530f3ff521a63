#pragma once
// Writes a video file: H.264 pictures (yuv420p, the format every player
// takes) and AAC sound, in MP4 or Matroska. FFmpeg stays behind this class.
#include <cstdint>
#include <memory>
#include <string>

struct VideoFileSettings {
    int width = 0;   // of the pictures handed to writeVideo; both even
    int height = 0;
    int fps = 60;    // one picture lasts exactly 1 / fps s
    int sampleRate = 44100;  // sound: 16-bit stereo, interleaved
};

class VideoFileWriter {
public:
    VideoFileWriter();
    ~VideoFileWriter();  // closes the file; an unfinished file is left as it is
    VideoFileWriter(const VideoFileWriter&) = delete;
    VideoFileWriter& operator=(const VideoFileWriter&) = delete;

    // Creates path. The container follows the ending of containerName
    // (".mp4" or ".mkv"), so the file can be written under a temporary name.
    // On failure every function returns false with the reason in error.
    bool open(const std::string& path, const std::string& containerName, const VideoFileSettings& settings,
              std::string& error);

    // The next picture: width x height pixels 0x00RRGGBB, top row first.
    bool writeVideo(const uint32_t* pixels, std::string& error);

    // The next frameCount stereo frames of sound, continuing the last call.
    bool writeAudio(const int16_t* samples, int64_t frameCount, std::string& error);

    // Flushes both encoders and completes the file. Only a finished file is whole.
    bool finish(std::string& error);

    // The H.264 encoder in use (e.g. "libx264"); empty before open.
    std::string videoEncoderName() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};
