// Quarnel: a self-running, software-rendered audiovisual demo.
#include <cstdio>
#include <string>

#include "driver/benchmark.h"
#include "driver/frame_loop.h"
#include "driver/headless.h"
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
    if (options.bench)
        return runBenchmark(options);
    if (options.frameAt)
        return renderSingleFrame(options);
    return runDemo(options);
}
