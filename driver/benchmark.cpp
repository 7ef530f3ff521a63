#include "driver/benchmark.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "driver/bench_report.h"
#include "driver/frame_clock.h"
#include "driver/globals.h"
#include "driver/quiet_stdout.h"
#include "driver/timeline.h"

namespace {

bool writeTextFile(const std::string& path, const std::string& text)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    // fclose flushes: a full disk shows up here, not in fwrite.
    const bool closed = std::fclose(f) == 0;
    if (written && closed)
        return true;
    std::remove(path.c_str());
    return false;
}

}  // namespace

int runBenchmark(const Options& options)
{
    std::vector<BenchSegment> segments = programmeSegments();
    const FrameClock clock{options.fromMs, rangeEndMs(options), options.fps};

    Timeline timeline;
    buildTimeline(timeline);
    timeline.effects.prepare();
    frameCounter = 0;
    {
        QuietStdout quiet;
        const int64_t frames = clock.frameCount();
        for (int64_t i = 0; i < frames; ++i) {
            const int32_t t = clock.musicMs(i);
            const auto begin = std::chrono::steady_clock::now();
            std::memset(framebuffer, 0, sizeof framebuffer);
            timeline.effects.renderFrame(t);
            const auto end = std::chrono::steady_clock::now();
            ++frameCounter;
            for (BenchSegment& s : segments)
                if (s.fromMs <= t && t < s.toMs)
                    s.ms.push_back(std::chrono::duration<double, std::milli>(end - begin).count());
        }
    }
    timeline.destroyVideo();

    const std::vector<BenchFigures> figures = benchFigures(segments);
    std::fputs(benchTable(figures).c_str(), stdout);
    if (!options.benchJson.empty() &&
        !writeTextFile(options.benchJson, benchJson(figures, options.fps, clock.fromMs, clock.toMs))) {
        std::fprintf(stderr, "quarnel: could not write %s\n", options.benchJson.c_str());
        return 1;
    }
    return 0;
}
