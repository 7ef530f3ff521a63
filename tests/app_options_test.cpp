#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "app/options.h"

namespace {

bool parse(std::initializer_list<const char*> args, Options& options, std::string& error)
{
    std::vector<const char*> argv{"quarnel"};
    argv.insert(argv.end(), args);
    return parseOptions(int(argv.size()), argv.data(), options, error);
}

// The values and defaults no whole-program run shows (those of the frame
// times, spans, frame rates, scales and the counter it does: tests/whole).
TEST(Options, ValuesAndDefaults)
{
    std::string error;
    Options none;
    ASSERT_TRUE(parse({}, none, error));
    EXPECT_FALSE(none.windowed);
    EXPECT_FALSE(none.noSound);
    EXPECT_FALSE(none.frameAt);
    EXPECT_EQ(none.startMs, 0);

    Options live;
    ASSERT_TRUE(parse({"--window", "--scale", "16", "--pixel-format", "bgr555", "--no-sound", "--start", "59000"}, live,
                      error))
        << error;
    EXPECT_TRUE(live.windowed);
    EXPECT_EQ(live.scale, 16);
    EXPECT_EQ(live.pixelFormat, "bgr555");
    EXPECT_TRUE(live.noSound);
    EXPECT_EQ(live.startMs, 59000);

    // Extensions in any case, 60 frames a second unless asked; --bench-json
    // implies --bench, which stops where the last scene ends.
    Options capture, bench;
    ASSERT_TRUE(parse({"--capture", "Demo.MKV"}, capture, error)) << error;
    EXPECT_EQ(capture.fps, 60);
    ASSERT_TRUE(parse({"--bench-json", "b.json"}, bench, error)) << error;
    EXPECT_TRUE(bench.bench);
    EXPECT_EQ(bench.benchJson, "b.json");
    EXPECT_EQ(rangeEndMs(bench, 128500), 120000);
}

// Each refused command line and the start of the message main prints after
// "quarnel: " (tests/whole/bad_input_matrix.sh checks that path).
TEST(Options, BadCommandLinesAreRefusedWithAReason)
{
    const std::string time = "needs a music time in milliseconds (0 or more)", scale = "--scale needs a whole number";
    const std::string combined = "--frame-at, --bench, --capture and --frames cannot be combined";
    const std::string offline = "is only used with --capture, --frames or --bench", later = "--to must be later";
    const std::vector<std::pair<std::vector<const char*>, std::string>> bad = {
        {{"--frame-at", "-5", "--out", "x.raw"}, "--frame-at " + time},
        {{"--frame-at", "12x", "--out", "x.raw"}, "--frame-at " + time},
        {{"--frame-at"}, "--frame-at " + time},
        {{"--frame-at", "100"}, "--frame-at needs --out FILE"},
        {{"--frame-at", "100", "--out", "x.bmp"}, "--out x.bmp: the file name must end in .png or .raw"},
        {{"--out", "x.png"}, "--out is only used with --frame-at"},
        {{"--scale", "0"}, scale},
        {{"--scale", "17"}, scale + " from 1 to 16"},
        {{"--scale"}, scale},
        {{"--pixel-format", "rgb15"}, "--pixel-format needs one of rgb32, bgr32,"},
        {{"--start", "-1"}, "--start " + time},
        {{"--start", "99999999999"}, "--start " + time},
        {{"--frame-counter", "5"}, "--frame-counter is only used with --frame-at"},
        {{"--frame-at", "100", "--out", "x.raw", "--frame-counter", "4294967296"}, "--frame-counter needs"},
        {{"--frobnicate"}, "unknown option --frobnicate (see --help)"},
        // Offline modes exclude each other and the options of a live run.
        {{"--capture", "a.mp4", "--frames", "dir"}, combined},
        {{"--capture", "a.mp4", "--bench"}, combined},
        {{"--bench-json", "b.json", "--frame-at", "5", "--out", "x.png"}, combined},
        {{"--capture", "a.mp4", "--window"}, "--window is only used when playing"},
        {{"--frames", "dir", "--start", "1000"}, "--start is only used when playing"},
        {{"--bench", "--scale", "2"}, "--scale is not used with --bench"},
        // The container is chosen by the name.
        {{"--capture", "a.avi"}, "--capture a.avi: the file name must end in .mp4 or .mkv"},
        {{"--capture", "mp4"}, "--capture mp4: the file name"},
        // A span needs an offline mode and must not be empty.
        {{"--from", "1000"}, "--from " + offline},
        {{"--fps", "30"}, "--fps " + offline},
        {{"--capture", "a.mp4", "--from", "5000", "--to", "5000"}, later},
        {{"--capture", "a.mp4", "--from", "5000", "--to", "1000"}, later},
        {{"--bench", "--from", "130000"}, later},
        {{"--capture", "a.mkv", "--fps", "0"}, "--fps needs a whole number of frames per second from 1 to 1000"},
        {{"--data"}, "--data needs a folder"},
    };
    for (const auto& [args, message] : bad) {
        std::vector<const char*> argv{"quarnel"};
        argv.insert(argv.end(), args.begin(), args.end());
        Options o;
        std::string error;
        EXPECT_FALSE(parseOptions(int(argv.size()), argv.data(), o, error)) << args[0];
        EXPECT_EQ(error.rfind(message, 0), 0u) << error;
    }
}

TEST(Options, HelpNamesEveryOption)
{
    const std::string help = usageText();
    for (const char* name : {"--window", "--scale", "--pixel-format", "--no-sound", "--start", "--frame-at",
                             "--out", "--frame-counter", "--capture", "--frames", "--from", "--to", "--fps",
                             "--bench", "--bench-json", "--data", "--help"})
        EXPECT_NE(help.find(name), std::string::npos) << name;
}

}  // namespace
