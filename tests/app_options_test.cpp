#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
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

TEST(Options, BadCommandLinesAreRefusedWithAReason)
{
    const std::vector<std::vector<const char*>> bad = {
        {"--frame-at", "-5", "--out", "x.raw"},
        {"--frame-at", "12x", "--out", "x.raw"},
        {"--frame-at", "100"},
        {"--frame-at", "100", "--out", "x.bmp"},
        {"--out", "x.png"},
        {"--scale", "0"},
        {"--scale", "1000"},
        {"--scale"},
        {"--pixel-format", "rgb15"},
        {"--start", "-1"},
        {"--frame-counter", "5"},
        {"--frame-at", "100", "--out", "x.raw", "--frame-counter", "4294967296"},
        {"--frobnicate"},
        // Offline modes exclude each other and the options of a live run.
        {"--capture", "a.mp4", "--frames", "dir"},
        {"--capture", "a.mp4", "--bench"},
        {"--bench-json", "b.json", "--frame-at", "5", "--out", "x.png"},
        {"--capture", "a.mp4", "--window"},
        {"--frames", "dir", "--start", "1000"},
        {"--bench", "--scale", "2"},
        // The container is chosen by the name.
        {"--capture", "a.avi"},
        {"--capture", "mp4"},
        // A span needs an offline mode and must not be empty.
        {"--from", "1000"},
        {"--fps", "30"},
        {"--capture", "a.mp4", "--from", "5000", "--to", "5000"},
        {"--bench", "--from", "130000"},
        {"--capture", "a.mkv", "--fps", "0"},
        {"--data"},
    };
    for (const auto& args : bad) {
        std::vector<const char*> argv{"quarnel"};
        argv.insert(argv.end(), args.begin(), args.end());
        Options o;
        std::string error;
        EXPECT_FALSE(parseOptions(int(argv.size()), argv.data(), o, error)) << args[0];
        EXPECT_FALSE(error.empty()) << args[0];
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
