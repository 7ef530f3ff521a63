// The default data set: every file has the format the programme reads. How
// it looks and sounds is judged by eye and ear (scripts/measure-soundtrack.sh),
// not here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "tools/generators.h"
#include "tools/music_dsp.h"
#include "tools/music_encoder.h"
#include "tools/music_mixer.h"
#include "tools/music_score.h"
#include "test_support.h"

namespace {

using testsupport::readBytes;
using testsupport::runCommand;

// The pictures' and the texture's bytes, and that they are the same on every
// run, are pinned by the golden frames drawn from them; what those cannot see
// is a file cut short by a pixel, or a write that failed taken for done.
TEST(DataFiles, HaveTheirSizeAndReportAWriteThatFailed)
{
    const testsupport::ScratchDir dir;
    const std::pair<bool (*)(const std::string&), size_t> files[] = {
        {writeCreditsPicture, 320 * 240 * 3}, {writeVelinaPicture, 320 * 240 * 3}, {writeTunnelTexture, 256 * 256 * 3}};
    for (const auto& [write, size] : files) {
        ASSERT_TRUE(write((dir / "file").string()));
        EXPECT_EQ(readBytes(dir / "file").size(), size);
        EXPECT_FALSE(write((dir / "missing" / "file").string()));
    }
    EXPECT_FALSE(writeVideo((dir / "missing" / "quarnel.avi").string()));
}

TEST(DefaultVideo, IsMotionJpegAt320x240OneFramePer45Ms)
{
    const testsupport::ScratchDir dir;
    ASSERT_TRUE(writeVideo((dir / "quarnel.avi").string()));
    const std::string info = runCommand("ffprobe -v error -show_entries format=format_name:stream=codec_name,"
                                        "codec_tag_string,width,height,r_frame_rate -of csv=p=0 '" +
                                        (dir / "quarnel.avi").string() + "'");
    EXPECT_EQ(info, "mjpeg,MJPG,320,240,200/9\navi\n");
}

TEST(Soundtrack, SynthesisAndEncodingAreDeterministic)
{
    const music::Score score = music::composeScore();
    const music::StereoBuffer a = music::mixScore(score, 3.0);
    const music::StereoBuffer b = music::mixScore(score, 3.0);
    ASSERT_EQ(a.left, b.left);
    ASSERT_EQ(a.right, b.right);
    std::vector<uint8_t> mp3a, mp3b;
    ASSERT_TRUE(music::encodeMp3(a, mp3a));
    ASSERT_TRUE(music::encodeMp3(a, mp3b));
    EXPECT_EQ(mp3a, mp3b);
}

TEST(Soundtrack, IsA192kMp3WithAnEncoderTagThatDecodesToTheFullLength)
{
    const testsupport::ScratchDir dir;
    const std::string path = (dir / "code.mp3").string();
    ASSERT_TRUE(writeSoundtrack(path));
    const std::vector<unsigned char> bytes = readBytes(path);
    ASSERT_GT(bytes.size(), 4000u);
    // MPEG-1 layer III sync, then the CBR tag and the encoder's name in the first frame.
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1] & 0xFE, 0xFA);
    const std::string first(bytes.begin(), bytes.begin() + 417);
    EXPECT_NE(first.find("Info"), std::string::npos);
    EXPECT_NE(first.find("LAME"), std::string::npos);
    EXPECT_NEAR(static_cast<double>(bytes.size()), 192000.0 / 8.0 * music::kSoundtrackSeconds, 2000.0);
    // The tag's delay and padding give back exactly the encoded samples, which never clip.
    const std::string pcm = runCommand("ffmpeg -nostdin -v error -i '" + path + "' -f f32le -ac 2 pipe:1");
    EXPECT_EQ(pcm.size(), static_cast<size_t>(music::kSoundtrackSeconds * music::kSampleRate) * 2 * sizeof(float));
    float peak = 0.0f;
    for (size_t i = 0; i + sizeof(float) <= pcm.size(); i += sizeof(float)) {
        float v;
        std::memcpy(&v, &pcm[i], sizeof v);
        peak = std::max(peak, std::fabs(v));
    }
    EXPECT_LT(peak, 0.97f);
}

}  // namespace
