// The default video, checked with the ffmpeg command-line tools.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tools/generators.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

std::string runCommand(const std::string& command)
{
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[65536];
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            output.append(buffer, got);
        pclose(pipe);
    }
    return output;
}


TEST(DefaultVideo, IsAReproducibleSeamlessLoopOfMotionJpegAt320x240)
{
    const testsupport::ScratchDir dir;
    // The data writer writes under a temporary name: the format must not
    // depend on the extension.
    const std::string path = (dir / "quarnel.avi.partial").string();
    ASSERT_TRUE(writeVideo(path));
    ASSERT_TRUE(writeVideo((dir / "again.avi").string()));
    EXPECT_TRUE(testsupport::readBytes(path) == testsupport::readBytes(dir / "again.avi")) << "not the same bytes on every run";

    const std::string info = runCommand("ffprobe -v error -show_entries format=format_name:stream=codec_name,"
                                        "codec_tag_string,width,height,r_frame_rate -of csv=p=0 '" + path + "'");
    EXPECT_EQ(info, "mjpeg,MJPG,320,240,200/9\navi\n");  // one frame per 45 ms, one stream

    const std::size_t frameBytes = 320 * 240 * 3;
    const std::string pixels = runCommand("ffmpeg -nostdin -v error -i '" + path + "' -f rawvideo -pix_fmt rgb24 pipe:1");
    const std::size_t frames = pixels.size() / frameBytes;
    ASSERT_GE(frames, 200u);
    auto meanDifference = [&](std::size_t a, std::size_t b) {
        long long sum = 0;
        for (std::size_t i = 0; i < frameBytes; ++i)
            sum += std::abs(static_cast<uint8_t>(pixels[a * frameBytes + i]) -
                            static_cast<uint8_t>(pixels[b * frameBytes + i]));
        return static_cast<double>(sum) / frameBytes;
    };
    // It moves; the step from the last frame back to the first is no bigger
    // than a step between neighbours; half a loop away looks different.
    double smallest = 1e9, largest = 0;
    for (std::size_t i = 0; i + 1 < frames; i += 7) {
        smallest = std::min(smallest, meanDifference(i, i + 1));
        largest = std::max(largest, meanDifference(i, i + 1));
    }
    EXPECT_GT(smallest, 2.0);
    EXPECT_LE(meanDifference(frames - 1, 0), largest * 1.2);
    EXPECT_GT(meanDifference(0, frames / 2), 4 * largest);
}

}  // namespace
