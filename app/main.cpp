// Quarnel: a self-running, software-rendered audiovisual demo.
#include <cstdio>
#include <string>

#include "app/benchmark.h"
#include "app/data_check.h"
#include "app/headless.h"
#include "app/offline_capture.h"
#include "app/options.h"
#include "app/play.h"
#include "capture/output_file.h"
#include "core/data_path.h"
#include "core/startup_error.h"
#include "platform/message_box.h"

namespace {

// Why an output named on the command line cannot be written, as the line to
// show; empty when every one can. Checked before any work is done.
std::string unusableOutput(const Options& options)
{
    const struct {
        const char* option;
        const std::string& path;
        bool folder;
    } outputs[] = {{"--out", options.out, false},
                   {"--bench-json", options.benchJson, false},
                   {"--capture", options.capture, false},
                   {"--frames", options.framesDir, true}};
    for (const auto& o : outputs) {
        if (o.path.empty())
            continue;
        const std::string problem = o.folder ? unusableFramesTarget(o.path) : unusableFileTarget(o.path);
        if (!problem.empty())
            return std::string(o.option) + " " + o.path + " " + problem;
    }
    return "";
}

// Before any work: every output named can be written, and the data files can
// be read. With the user's own data, and before the long offline runs, the
// whole data set is checked so that one message lists every file that cannot
// be used. A plain run keeps the programme's own messages for files that are
// missing or cannot be opened, but a file that is no regular file is refused
// before anything opens it: opening a FIFO blocks until someone writes to it,
// which would hang the demo.
void checkBeforeWork(const Options& options)
{
    if (const std::string problem = unusableOutput(options); !problem.empty())
        throw StartupError(ErrorShown::standardError, "quarnel: " + problem);
    const bool offline = options.bench || !options.capture.empty() || !options.framesDir.empty();
    const std::vector<DataFileProblem> problems = dataProblemsBeforeWork(!options.dataDir.empty() || offline);
    if (!problems.empty())
        throw StartupError(offline || options.frameAt ? ErrorShown::standardError : ErrorShown::messageBox,
                           "quarnel: " + dataProblemMessage(problems));
}

// The chosen mode. A failure that stops it travels here as a StartupError
// and is shown as the mode would have shown it.
int run(const Options& options)
{
    try {
        checkBeforeWork(options);
        if (options.bench)
            return runBenchmark(options);
        if (!options.capture.empty())
            return runCapture(options);
        if (!options.framesDir.empty())
            return runFrameExport(options);
        if (options.frameAt)
            return renderSingleFrame(options);
        return runDemo(options);
    } catch (const StartupError& e) {
        switch (e.where) {
        case ErrorShown::standardOutput:
            std::printf("%s\n", e.what());
            std::fflush(stdout);
            break;
        case ErrorShown::standardError:
            std::fprintf(stderr, "%s\n", e.what());
            break;
        case ErrorShown::messageBox:
            showErrorMessage(e.what(), e.detail.empty() ? nullptr : e.detail.c_str());
            break;
        }
        return 1;
    }
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    std::string error;
    if (!parseOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "quarnel: %s\n", error.c_str());
        return 1;
    }
    if (options.help) {
        std::fputs(usageText().c_str(), stdout);
        return 0;
    }
    if (!options.dataDir.empty())
        setDataFolder(options.dataDir);
    return run(options);
}
