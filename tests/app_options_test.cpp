#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "driver/options.h"

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
    ASSERT_TRUE(parse({"--frame-at", "67000", "--out", "x.png", "--frame-counter", "31"}, f, error)) << error;
    EXPECT_TRUE(f.frameAt);
    EXPECT_EQ(f.frameAtMs, 67000);
    EXPECT_EQ(f.out, "x.png");
    EXPECT_EQ(f.frameCounter, 31);
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
        {"--frobnicate"},
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

TEST(Options, HelpNamesEveryOption)
{
    const std::string help = usageText();
    for (const char* name : {"--window", "--scale", "--pixel-format", "--no-sound", "--start", "--frame-at",
                             "--out", "--frame-counter", "--help"})
        EXPECT_NE(help.find(name), std::string::npos) << name;
}

}  // namespace
