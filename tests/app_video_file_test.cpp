// Writing video files: a place that cannot be written fails at open (the
// streams and the sound in step: tests/whole/capture_video.sh).
#include <gtest/gtest.h>

#include <string>

#include "capture/video_file_writer.h"

namespace {

TEST(VideoFile, AnUnwritablePlaceFailsAtOpenWithTheReason)
{
    VideoFileSettings settings;
    settings.width = 64;
    settings.height = 48;
    VideoFileWriter writer;
    std::string error;
    EXPECT_FALSE(writer.open("/nonexistent-quarnel-folder/x.mp4", "x.mp4", settings, error));
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
}

}  // namespace
