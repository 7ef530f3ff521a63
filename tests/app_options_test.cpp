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

TEST(Options, NoArgumentsPlaysFullScreenWithSound)
{
    Options o;
    std::string error;
    ASSERT_TRUE(parse({}, o, error));
    EXPECT_FALSE(o.windowed);
    EXPECT_FALSE(o.noSound);
    EXPECT_FALSE(o.frameAt);
    EXPECT_EQ(o.startMs, 0);
}

TEST(Options, ValuesAreRead)
{
    Options o;
    std::string error;
    ASSERT_TRUE(parse({"--window", "--scale", "3", "--pixel-format", "bgr555", "--no-sound", "--start",
                       "59000"},
                      o, error))
        << error;
    EXPECT_TRUE(o.windowed);
    EXPECT_EQ(o.scale, 3);
    EXPECT_EQ(o.pixelFormat, "bgr555");
    EXPECT_TRUE(o.noSound);
    EXPECT_EQ(o.startMs, 59000);

    Options f;
    ASSERT_TRUE(parse({"--frame-at", "67000", "--out", "x.PNG", "--frame-counter", "4294967295"}, f, error)) << error;
    EXPECT_TRUE(f.frameAt);
    EXPECT_EQ(f.frameAtMs, 67000);
    EXPECT_EQ(f.out, "x.PNG");  // extensions match regardless of case
    EXPECT_EQ(f.frameCounter, 4294967295u);  // the whole 32-bit counter
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
        {{"--scale", "1000"}, scale + " from 1 to 16"},
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

TEST(Options, OfflineModesTakeTheirSpanScaleAndData)
{
    Options c;
    std::string error;
    ASSERT_TRUE(parse({"--capture", "Demo.MKV", "--from", "66000", "--to", "68000", "--fps", "30", "--data", "mine"},
                      c, error))
        << error;
    EXPECT_EQ(c.capture, "Demo.MKV");
    EXPECT_EQ(c.fromMs, 66000);
    EXPECT_EQ(rangeEndMs(c, 0), 68000);
    EXPECT_EQ(c.fps, 30);
    EXPECT_EQ(c.dataDir, "mine");
    EXPECT_EQ(outputScale(c), 3);  // 960 x 720 unless asked otherwise

    // Defaults: a capture runs on to the end of the soundtrack, and at least
    // through two seconds of black after the programme; the benchmark stops
    // where the last scene ends.
    Options whole;
    ASSERT_TRUE(parse({"--capture", "demo.mp4"}, whole, error)) << error;
    EXPECT_EQ(whole.fromMs, 0);
    EXPECT_EQ(rangeEndMs(whole, 100000), 122000);
    EXPECT_EQ(rangeEndMs(whole, 128500), 128500);
    Options late;
    ASSERT_TRUE(parse({"--frames", "dir", "--from", "125000"}, late, error)) << error;
    EXPECT_EQ(whole.fps, 60);

    Options f;
    ASSERT_TRUE(parse({"--frames", "out", "--scale", "2"}, f, error)) << error;
    EXPECT_EQ(f.framesDir, "out");
    EXPECT_EQ(outputScale(f), 2);
    Options f1;
    ASSERT_TRUE(parse({"--frames", "out"}, f1, error)) << error;
    EXPECT_EQ(outputScale(f1), 1);  // the frame as --frame-at writes it

    // --bench-json implies --bench.
    Options b;
    ASSERT_TRUE(parse({"--bench-json", "b.json", "--to", "30000"}, b, error)) << error;
    EXPECT_TRUE(b.bench);
    EXPECT_EQ(b.benchJson, "b.json");
    EXPECT_EQ(rangeEndMs(b, 128500), 30000);
    Options b2;
    ASSERT_TRUE(parse({"--bench"}, b2, error)) << error;
    EXPECT_EQ(rangeEndMs(b2, 128500), 120000);

    // --data works with the live run too.
    Options live;
    ASSERT_TRUE(parse({"--window", "--data", "/media/demo"}, live, error)) << error;
    EXPECT_EQ(live.dataDir, "/media/demo");
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
