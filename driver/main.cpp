// Quarnel: a self-running, software-rendered audiovisual demo.
#include <cstdio>
#include <string>

#include "driver/benchmark.h"
#include "driver/capture.h"
#include "driver/data_check.h"
#include "driver/data_path.h"
#include "driver/frame_loop.h"
#include "driver/headless.h"
#include "driver/message.h"
#include "driver/options.h"

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

    // With the user's own data, and before the long offline runs, the whole
    // data set is checked first so that one message lists every missing file.
    // A plain run keeps the programme's own behaviour and messages.
    const bool offline = options.bench || !options.capture.empty() || !options.framesDir.empty();
    if (!options.dataDir.empty() || offline) {
        const std::vector<std::string> missing = missingDataFiles();
        if (!missing.empty()) {
            const std::string text = "quarnel: " + missingDataMessage(missing);
            if (offline || options.frameAt)
                std::fprintf(stderr, "%s\n", text.c_str());
            else
                showErrorMessage(text.c_str());
            return 1;
        }
    }

    if (options.bench)
        return runBenchmark(options);
    if (!options.capture.empty())
        return runCapture(options);
    if (!options.framesDir.empty())
        return runFrameExport(options);
    if (options.frameAt)
        return renderSingleFrame(options);
    return runDemo(options);
}
