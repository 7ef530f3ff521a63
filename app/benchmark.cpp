#include "app/benchmark.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/bench_report.h"
#include "app/frame_timing.h"
#include "app/frame_clock.h"
#include "app/interrupt_guard.h"
#include "app/run_failure.h"
#include "capture/output_file.h"
#include "app/programme.h"
#include "core/quiet_output.h"

namespace {

bool writeTextFile(OutputFile& file, const std::string& text, std::string& error)
{
    std::FILE* f = std::fopen(file.path().c_str(), "wb");
    if (!f) {
        error = std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    // fclose flushes: a full disk shows up here, not in fwrite.
    const bool closed = std::fclose(f) == 0;
    if (!written || !closed) {
        error = std::strerror(errno);
        return false;
    }
    return file.commit(error);
}

}  // namespace

int runBenchmark(const Options& options)
{
    std::vector<BenchSegment> segments = programmeSegments();
    const FrameClock clock{options.fromMs, rangeEndMs(options, 0), options.fps};
    // The file is made before the long run, so an unwritable place fails at once.
    InterruptGuard guard;
    OutputFile json;
    std::string error;
    if (!options.benchJson.empty() && !json.open(options.benchJson, error)) {
        failRun("quarnel: could not write %s: %s", options.benchJson.c_str(), error.c_str());
    }

    std::unique_ptr<Programme> programme = openProgramme();
    {
        QuietOutput quiet(stdout);
        timeFrames(*programme, clock, segments);
    }
    programme->closeVideo();
    if (const int signal = InterruptGuard::interruption()) {
        failRun("quarnel: benchmark interrupted by signal %d; no figures%s", signal,
                     options.benchJson.empty() ? "" : (" were written to " + options.benchJson).c_str());
    }

    const std::vector<BenchFigures> figures = benchFigures(segments);
    std::fputs(benchTable(figures).c_str(), stdout);
    if (!options.benchJson.empty() &&
        !writeTextFile(json, benchJson(figures, options.fps, clock.fromMs, clock.toMs), error)) {
        failRun("quarnel: could not write %s: %s", options.benchJson.c_str(), error.c_str());
    }
    return 0;
}
