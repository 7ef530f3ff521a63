#include "driver/benchmark.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <vector>

#include "driver/globals.h"
#include "driver/timeline.h"

namespace {

struct Segment {
    const char* name;
    int32_t from;  // music time, ms; frames with from <= t < to belong here
    int32_t to;
    std::vector<double> ms;  // cost of each frame
};

double median(std::vector<double> v)
{
    if (v.empty())
        return 0.0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

// The effects' own console lines (one per frame of the opening scene) would
// bury the report, so standard output is sent to /dev/null while frames run.
class QuietStdout {
public:
    QuietStdout()
    {
        std::fflush(stdout);
        saved_ = dup(STDOUT_FILENO);
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, STDOUT_FILENO);
            close(null);
        }
    }
    ~QuietStdout()
    {
        std::fflush(stdout);
        if (saved_ >= 0) {
            dup2(saved_, STDOUT_FILENO);
            close(saved_);
        }
    }

private:
    int saved_ = -1;
};

}  // namespace

int runBenchmark(const Options& options)
{
    std::vector<Segment> segments = {
        {"title + spheres", 0, 21000, {}},   {"video", 21000, 60100, {}},
        {"tunnel", 60100, 67000, {}},        {"tunnel + sphere", 67000, 90000, {}},
        {"tunnel + sphere + flash", 90000, 120000, {}},
    };
    const int fps = options.fps;

    Timeline timeline;
    buildTimeline(timeline);
    timeline.effects.prepare();
    frameCounter = 0;
    {
        QuietStdout quiet;
        for (int64_t i = 0;; ++i) {
            // The same clock a capture uses: whole milliseconds from the frame index.
            const int32_t t = int32_t(i * 1000 / fps);
            if (t >= segments.back().to)
                break;
            const auto begin = std::chrono::steady_clock::now();
            std::memset(framebuffer, 0, sizeof framebuffer);
            timeline.effects.renderFrame(t);
            const auto end = std::chrono::steady_clock::now();
            ++frameCounter;
            for (Segment& s : segments)
                if (s.from <= t && t < s.to)
                    s.ms.push_back(std::chrono::duration<double, std::milli>(end - begin).count());
        }
    }
    timeline.destroyVideo();

    std::printf("%-32s %8s %10s %10s %10s\n", "segment (music ms)", "frames", "median ms", "worst ms", "fps");
    const Segment* worst = nullptr;
    double worstMedian = -1.0;
    for (const Segment& s : segments) {
        const double med = median(s.ms);
        const double max = s.ms.empty() ? 0.0 : *std::max_element(s.ms.begin(), s.ms.end());
        const std::string label = std::string(s.name) + " " + std::to_string(s.from / 1000) + "-" +
                                  std::to_string(s.to / 1000);
        std::printf("%-32s %8zu %10.3f %10.3f %10.0f\n", label.c_str(), s.ms.size(), med, max,
                    med > 0 ? 1000.0 / med : 0.0);
        if (med > worstMedian) {
            worstMedian = med;
            worst = &s;
        }
    }
    if (worst)
        std::printf("worst segment: %s, median %.3f ms per frame (%.0f fps)\n", worst->name, worstMedian,
                    worstMedian > 0 ? 1000.0 / worstMedian : 0.0);
    return 0;
}
