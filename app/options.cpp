#include "app/options.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <algorithm>

#include "platform/display.h"

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

bool hasExtension(const std::string& name, const char* extension)
{
    const size_t n = std::strlen(extension);
    if (name.size() <= n)
        return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(name[name.size() - n + i])) !=
            std::tolower(static_cast<unsigned char>(extension[i])))
            return false;
    return true;
}

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
            if (!parseInt(value, 1, kMaxScale, n))
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
        } else if (arg == "--bench-json") {
            if (!value || !*value)
                return needs("a file name");
            options.bench = true;
            options.benchJson = value;
            ++i;
        } else if (arg == "--capture") {
            if (!value || !*value)
                return needs("a file name ending in .mp4 or .mkv");
            options.capture = value;
            ++i;
        } else if (arg == "--frames") {
            if (!value || !*value)
                return needs("a folder");
            options.framesDir = value;
            ++i;
        } else if (arg == "--from" || arg == "--to") {
            if (!parseInt(value, 0, kMaxMs, n))
                return needs("a music time in milliseconds (0 or more)");
            (arg == "--from" ? options.fromMs : options.toMs) = int32_t(n);
            ++i;
        } else if (arg == "--fps") {
            if (!parseInt(value, 1, 1000, n))
                return needs("a whole number of frames per second from 1 to 1000");
            options.fps = int(n);
            options.fpsSet = true;
            ++i;
        } else if (arg == "--frame-counter") {
            if (!parseInt(value, 0, 0xFFFFFFFFL, n))
                return needs("a whole number from 0 to 4294967295");
            options.frameCounter = uint32_t(n);
            options.frameCounterSet = true;
            ++i;
        } else if (arg == "--out") {
            if (!value || !*value)
                return needs("a file name ending in .png or .raw");
            options.out = value;
            ++i;
        } else if (arg == "--data") {
            if (!value || !*value)
                return needs("a folder");
            options.dataDir = value;
            ++i;
        } else {
            error = "unknown option " + arg + " (see --help)";
            return false;
        }
    }

    const bool capture = !options.capture.empty();
    const bool frames = !options.framesDir.empty();
    const int modes = int(options.frameAt) + int(options.bench) + int(capture) + int(frames);
    if (modes > 1) {
        error = "--frame-at, --bench, --capture and --frames cannot be combined: choose one";
        return false;
    }
    const bool offline = options.bench || capture || frames;
    if (modes > 0) {
        // Options of the live run have no meaning without a display.
        const char* live = options.windowed ? "--window"
                           : !options.pixelFormat.empty() ? "--pixel-format"
                           : options.noSound ? "--no-sound"
                           : options.startMs != 0 ? "--start"
                                                  : nullptr;
        if (live) {
            error = std::string(live) + " is only used when playing" +
                    (options.startMs != 0 && !options.frameAt ? " (an offline run starts at --from)" : "");
            return false;
        }
    }
    if (options.scale != 0 && (options.frameAt || options.bench)) {
        error = std::string("--scale is not used with ") + (options.frameAt ? "--frame-at" : "--bench");
        return false;
    }
    if (!offline && (options.fpsSet || options.fromMs != 0 || options.toMs >= 0)) {
        error = std::string(options.fpsSet ? "--fps" : options.fromMs != 0 ? "--from" : "--to") +
                " is only used with --capture, --frames or --bench";
        return false;
    }
    // Without --to a capture ends with the soundtrack, which is checked once it is loaded.
    if ((options.bench || options.toMs >= 0) && rangeEndMs(options, 0) <= options.fromMs) {
        error = "--to must be later than --from";
        return false;
    }
    if (capture && !hasExtension(options.capture, ".mp4") && !hasExtension(options.capture, ".mkv")) {
        error = "--capture " + options.capture + ": the file name must end in .mp4 or .mkv";
        return false;
    }
    if (options.frameAt) {
        const std::string& o = options.out;
        if (o.empty()) {
            error = "--frame-at needs --out FILE";
            return false;
        }
        if (!hasExtension(o, ".png") && !hasExtension(o, ".raw")) {
            error = "--out " + o + ": the file name must end in .png or .raw";
            return false;
        }
    } else if (!options.out.empty() || options.frameCounterSet) {
        error = std::string(options.out.empty() ? "--frame-counter" : "--out") + " is only used with --frame-at";
        return false;
    }
    return true;
}

int32_t rangeEndMs(const Options& options, int32_t soundtrackEndMs)
{
    if (options.toMs >= 0)
        return options.toMs;
    return options.bench ? kProgrammeEndMs : std::max(kOfflineEndMs, soundtrackEndMs);
}

int outputScale(const Options& options)
{
    if (options.scale > 0)
        return options.scale;
    return options.capture.empty() ? 1 : 3;
}

std::string usageText()
{
    return "Usage: quarnel [options]\n"
           "Plays the demo full screen from data/ under the working directory; Escape quits.\n"
           "\n"
           "  --window             play in a window instead of full screen\n"
           "  --scale N            window scale factor, 1 to 16 (default: fit the screen);\n"
           "                       with --capture or --frames each pixel becomes N x N\n"
           "                       (default 3 for --capture: 960 x 720; 1 for --frames)\n"
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
           "  --capture FILE       render the programme without display or sound device into\n"
           "                       a video file with its soundtrack: FILE.mp4 or FILE.mkv,\n"
           "                       H.264 and AAC\n"
           "  --frames DIR         render the programme into DIR as numbered PNG files\n"
           "                       (frame-000000.png, ...) and its soundtrack as audio.wav\n"
           "  --from MS, --to MS   the span of music time to capture or benchmark (default:\n"
           "                       from 0 to the end of the soundtrack, at least " +
           std::to_string(kOfflineEndMs) + ";\n"
           "                       0 to " + std::to_string(kProgrammeEndMs) + " for --bench)\n"
           "  --fps N              frames per second of music time for --capture, --frames\n"
           "                       and --bench (default 60)\n"
           "  --bench              render the programme headless and report the median and\n"
           "                       worst milliseconds per frame for each segment\n"
           "  --bench-json FILE    --bench, and write the same figures to FILE as JSON\n"
           "  --data DIR           read the data files from DIR instead of data/ (file names\n"
           "                       match regardless of case)\n"
           "  --help               show this text\n";
}
