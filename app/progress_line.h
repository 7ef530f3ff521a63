#pragma once
// The progress of an offline run on standard error: one line that rewrites
// itself on a terminal, with a bar, the music time, the frames done, the
// speed against real time and the time left.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

struct ProgressState {
    int64_t framesDone = 0;
    int64_t frameCount = 0;
    int32_t musicMs = 0;        // of the last frame done
    int fps = 60;               // music seconds done = framesDone / fps
    double elapsedSeconds = 0;  // wall time since the first frame
};

// "[#######.............]  35%  1:07.033  2510/7320 frames  2.1x real time  0:38 left"
// Speed and time left appear once there is something to measure.
std::string progressLine(const ProgressState& state);

// "1:07.033" for 67033 ms; minutes are not limited to two digits.
std::string formatMusicTime(int32_t ms);

// Draws the line on a terminal at most ten times a second; elsewhere stays
// silent so logs get no carriage returns.
class ProgressDisplay {
public:
    ProgressDisplay(std::FILE* out, int64_t frameCount, int fps);

    void update(int64_t framesDone, int32_t musicMs);
    // Ends the line (on a terminal) so the next message starts clean.
    void close();
    double elapsedSeconds() const;

private:
    std::FILE* out_;
    bool terminal_;
    bool shown_ = false;
    ProgressState state_;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastDrawn_;
};
