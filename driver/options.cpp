#include "driver/options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "display/display.h"

namespace {

// Parses a whole decimal integer within [low, high]; no trailing junk.
bool parseInt(const char* text, long low, long high, long& value)
{
    if (!text || !*text)
        return false;
    errno = 0;
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || v < low || v > high)
        return false;
    value = v;
    return true;
}

}  // namespace

bool parseOptions(int argc, const char* const* argv, Options& options, std::string& error)
{
    constexpr long kMaxMs = 24L * 60 * 60 * 1000;  // a day of music time is plenty
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        long n = 0;
        auto needs = [&](const char* what) {
            error = arg + " needs " + what;
            return false;
        };
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--window") {
            options.windowed = true;
        } else if (arg == "--no-sound") {
            options.noSound = true;
        } else if (arg == "--scale") {
            if (!parseInt(value, 1, 16, n))
                return needs("a whole number from 1 to 16");
            options.scale = int(n);
            ++i;
        } else if (arg == "--pixel-format") {
            if (!value || !isPixelFormatName(value))
                return needs("one of rgb32, bgr32, rgb24, bgr24, rgb565, bgr565, rgb555, bgr555");
            options.pixelFormat = value;
            ++i;
        } else if (arg == "--start") {
            if (!parseInt(value, 0, kMaxMs, n))
                return needs("a music time in milliseconds (0 or more)");
            options.startMs = int32_t(n);
            ++i;
        } else if (arg == "--frame-at") {
            if (!parseInt(value, 0, kMaxMs, n))
                return needs("a music time in milliseconds (0 or more)");
            options.frameAt = true;
            options.frameAtMs = int32_t(n);
            ++i;
        } else if (arg == "--bench") {
            options.bench = true;
        } else if (arg == "--fps") {
            if (!parseInt(value, 1, 1000, n))
                return needs("a whole number of frames per second from 1 to 1000");
            options.fps = int(n);
            ++i;
        } else if (arg == "--frame-counter") {
            if (!parseInt(value, 0, 0x7FFFFFFF, n))
                return needs("a whole number, 0 or more");
            options.frameCounter = int32_t(n);
            options.frameCounterSet = true;
            ++i;
        } else if (arg == "--out") {
            if (!value || !*value)
                return needs("a file name ending in .png or .raw");
            options.out = value;
            ++i;
        } else {
            error = "unknown option " + arg + " (see --help)";
            return false;
        }
    }
    if (options.frameAt) {
        const std::string& o = options.out;
        auto endsWith = [&](const char* suffix) {
            size_t n = std::strlen(suffix);
            return o.size() > n && o.compare(o.size() - n, n, suffix) == 0;
        };
        if (o.empty()) {
            error = "--frame-at needs --out FILE";
            return false;
        }
        if (!endsWith(".png") && !endsWith(".raw")) {
            error = "--out " + o + ": the file name must end in .png or .raw";
            return false;
        }
    } else if (!options.out.empty() || options.frameCounterSet) {
        error = std::string(options.out.empty() ? "--frame-counter" : "--out") + " is only used with --frame-at";
        return false;
    }
    return true;
}

std::string usageText()
{
    return "Usage: quarnel [options]\n"
           "Plays the demo full screen from data/ under the working directory; Escape quits.\n"
           "\n"
           "  --window             play in a window instead of full screen\n"
           "  --scale N            window scale factor, 1 to 16 (default: fit the screen)\n"
           "  --pixel-format NAME  force the display layout: rgb32, bgr32, rgb24, bgr24,\n"
           "                       rgb565, bgr565, rgb555 or bgr555\n"
           "  --no-sound           play without an audio device; the clock runs from wall time\n"
           "  --start MS           start playing at music time MS\n"
           "  --frame-at MS        render the single frame at music time MS without display\n"
           "                       or sound, and write it to the file given by --out\n"
           "  --out FILE           FILE.png (24-bit RGB) or FILE.raw (320 x 240 pixels,\n"
           "                       bytes blue, green, red, 0; top row first)\n"
           "  --frame-counter N    with --frame-at: the frame counter's value for that frame\n"
           "                       (the flash effects pace themselves by it; default 0)\n"
           "  --bench              render the whole programme headless and report the median\n"
           "                       and worst milliseconds per frame for each segment\n"
           "  --fps N              frames per second of music time for --bench (default 60)\n"
           "  --help               show this text\n";
}
