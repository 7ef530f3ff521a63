#include "app/progress_line.h"

#include <unistd.h>

#include <algorithm>

std::string formatMusicTime(int32_t ms)
{
    char text[32];
    std::snprintf(text, sizeof text, "%d:%02d.%03d", ms / 60000, ms / 1000 % 60, ms % 1000);
    return text;
}

std::string progressLine(const ProgressState& s)
{
    constexpr int kBarWidth = 20;
    const double done = s.frameCount > 0 ? double(s.framesDone) / double(s.frameCount) : 1.0;
    const int filled = std::clamp(int(done * kBarWidth), 0, kBarWidth);
    std::string line = "[" + std::string(size_t(filled), '#') + std::string(size_t(kBarWidth - filled), '.') + "]";
    char text[160];
    std::snprintf(text, sizeof text, " %3d%%  %s  %lld/%lld frames", int(done * 100), formatMusicTime(s.musicMs).c_str(),
                  static_cast<long long>(s.framesDone), static_cast<long long>(s.frameCount));
    line += text;
    if (s.framesDone > 0 && s.elapsedSeconds > 0) {
        const double musicSeconds = double(s.framesDone) / s.fps;
        const double left = s.elapsedSeconds * double(s.frameCount - s.framesDone) / double(s.framesDone);
        const long long leftSeconds = static_cast<long long>(left + 0.5);
        std::snprintf(text, sizeof text, "  %.1fx real time  %lld:%02lld left", musicSeconds / s.elapsedSeconds,
                      leftSeconds / 60, leftSeconds % 60);
        line += text;
    }
    return line;
}

ProgressDisplay::ProgressDisplay(std::FILE* out, int64_t frameCount, int fps)
    : out_(out), terminal_(isatty(fileno(out)) == 1), start_(std::chrono::steady_clock::now())
{
    state_.frameCount = frameCount;
    state_.fps = fps;
}

double ProgressDisplay::elapsedSeconds() const
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void ProgressDisplay::update(int64_t framesDone, int32_t musicMs)
{
    state_.framesDone = framesDone;
    state_.musicMs = musicMs;
    if (!terminal_)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (shown_ && framesDone < state_.frameCount && now - lastDrawn_ < std::chrono::milliseconds(100))
        return;
    lastDrawn_ = now;
    state_.elapsedSeconds = elapsedSeconds();
    // Clear to the end of the line: the new text may be shorter than the old.
    std::fprintf(out_, "\r%s\033[K", progressLine(state_).c_str());
    std::fflush(out_);
    shown_ = true;
}

void ProgressDisplay::close()
{
    if (shown_)
        std::fputc('\n', out_);
    shown_ = false;
}
