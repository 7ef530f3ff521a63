// The programme in a web page: the entry points the page's script
// (web/player.js) calls, in place of main. The page owns the timing: it calls
// quarnelFrame once per display refresh while the music plays.
#include <emscripten.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/bench_report.h"
#include "app/data_check.h"
#include "app/frame_clock.h"
#include "app/frame_timing.h"
#include "app/programme.h"
#include "app/programme_times.h"
#include "app/soundtrack_file.h"
#include "browser/page.h"
#include "core/data_path.h"
#include "core/quiet_output.h"
#include "core/startup_error.h"

namespace {

// The page's programme. The module lives as long as the page, and the page
// calls in one at a time; fresh says no frame has been drawn with it yet, so
// a start can use it as a start of the program would.
struct PageSession {
    std::unique_ptr<Programme> programme;
    bool fresh = false;
};

PageSession& session()
{
    static PageSession page;
    return page;
}

// Runs step; a StartupError is shown on the page (and on the console, where
// the native program writes it) and gives false.
template <typename Step>
bool shownFailure(Step step)
{
    try {
        step();
        return true;
    } catch (const StartupError& e) {
        std::fprintf(stderr, "%s%s%s\n", e.what(), e.detail.empty() ? "" : "\n", e.detail.c_str());
        pageShowMessage(e.what(), e.detail);
        return false;
    }
}

// The data checks before anything opens a file, as natively: with the
// viewer's own files (like --data) the whole set first, so one message lists
// every file that cannot be used; with the default set only what would block.
void checkData(bool wholeSet)
{
    const std::vector<DataFileProblem> problems = dataProblemsBeforeWork(wholeSet);
    if (!problems.empty())
        throw StartupError(ErrorShown::messageBox, "quarnel: " + dataProblemMessage(problems));
}

}  // namespace

extern "C" {

// Reads the data from folder (of the module's file system): checks it,
// decodes the soundtrack and hands it to the page. False when a message
// was shown instead.
EMSCRIPTEN_KEEPALIVE int quarnelPrepare(const char* folder, int wholeSetChecked)
{
    session() = PageSession{};
    setDataFolder(folder);
    return shownFailure([&] {
        checkData(wholeSetChecked != 0);
        pageSoundOpen(loadSoundtrack(true));
        // Opening the programme once here reports an unusable picture or
        // video before the viewer presses play.
        session() = PageSession{openProgramme(), true};
    });
}

// Starts the programme from fromMs with a fresh frame counter, as a start of
// the program does, and the soundtrack with it. Called from the viewer's
// gesture, which browsers require before sound.
EMSCRIPTEN_KEEPALIVE int quarnelStart(int32_t fromMs)
{
    return shownFailure([&] {
        if (!session().fresh)
            session().programme = openProgramme();
        session().fresh = false;
        pageSoundPlay(fromMs);
    });
}

// One pass of the frame loop at the play clock's time, shown on the canvas.
// Returns the music time drawn.
EMSCRIPTEN_KEEPALIVE int32_t quarnelFrame()
{
    int32_t drawn = 0;
    if (!session().programme)
        return drawn;
    Programme& programme = *session().programme;
    programme.run(
        [&](int32_t& t) {
            t = drawn = pageSoundTime();
            return true;
        },
        [&] {
            pagePresent(programme.frame.framebuffer);
            return false;
        });
    return drawn;
}

// --frame-at: the frame at ms with the frame counter at counter, as the
// first frame of a run; its pixels, or null when a message was shown.
EMSCRIPTEN_KEEPALIVE const uint32_t* quarnelFrameAt(const char* folder, int32_t ms, uint32_t counter)
{
    setDataFolder(folder);
    const bool ready = shownFailure([&] {
        checkData(false);
        session() = PageSession{openProgramme(), false};
    });
    if (!ready)
        return nullptr;
    Programme& programme = *session().programme;
    // The counter is 32 bits wide; a value past INT32_MAX is the same bits.
    programme.frame.frameCounter = static_cast<int32_t>(counter);
    bool drawn = false;
    programme.run(
        [&](int32_t& t) {
            t = ms;
            return !drawn;
        },
        [&] {
            drawn = true;
            return false;
        });
    return programme.frame.framebuffer;
}

// --bench at its defaults: the programme's frames at 60 per second of music
// time, rendered headless; the table goes to standard output, which the
// page shows.
EMSCRIPTEN_KEEPALIVE int quarnelBench(const char* folder)
{
    setDataFolder(folder);
    return shownFailure([&] {
        checkData(true);
        std::unique_ptr<Programme> programme = openProgramme();
        std::vector<BenchSegment> segments = programmeSegments();
        {
            QuietOutput quiet(stdout);  // the effects' console lines, as natively
            timeFrames(*programme, FrameClock{0, kProgrammeEndMs, 60}, segments);
        }
        std::fputs(benchTable(benchFigures(segments)).c_str(), stdout);
        std::fflush(stdout);
    });
}
}
