// The video reader against an independent decode by the ffmpeg command line,
// and the video effect on small clips made here with the same program.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "core/frame.h"
#include "effects/video/video_effect.h"
#include "media/video_file.h"
#include "media/video_reader.h"
#include "test_support.h"

// The frame the code under test draws into, as the frame loop would pass it.
static Frame frameUnderTest;

namespace fs = std::filesystem;

namespace {

using testsupport::runCommand;

// Colour of pixel (x, y) of frame i, 0x00RRGGBB.
using Painter = std::function<uint32_t(int i, int x, int y)>;

struct Clip {
    const char* container = "avi";
    const char* codec = "mjpeg";
    const char* pixelFormat = "yuvj420p";
    int width = 96, height = 64, frames = 40;
    int gop = 1;
    int bFrames = 0;
    std::set<int> nullFrames = {};  // left out: AVI stores empty chunks for them
    int brokenFrame = -1;           // its data is overwritten with bytes no decoder accepts
    Painter paint = nullptr;
};

// Moving colour ramps with a block that jumps each frame, so that every
// frame differs from its neighbours in a way a wrong frame index shows.
uint32_t defaultPaint(int i, int x, int y)
{
    const uint32_t r = static_cast<uint32_t>(x * 5 + i * 7) & 255;
    const uint32_t g = static_cast<uint32_t>(y * 6 + i * 3) & 255;
    const uint32_t b = ((x / 16 + y / 16 + i) % 5) * 60;
    const bool block = (x / 12) == (i % 8) && (y / 12) == ((i / 8) % 5);
    return block ? 0xFFFFFFu : (r << 16) | (g << 8) | b;
}

// Encodes the clip's frames, one per 45 ms, with the ffmpeg program. Returns
// false on any failure.
bool writeClip(const std::string& path, const Clip& clip)
{
    const Painter paint = clip.paint ? clip.paint : Painter(defaultPaint);
    std::vector<uint32_t> pixels;
    for (int i = 0; i < clip.frames; ++i)
        for (int y = 0; y < clip.height; ++y)
            for (int x = 0; x < clip.width; ++x)
                pixels.push_back(paint(i, x, y));
    testsupport::writeBytes(path + ".bgr0", pixels);
    // Frames left out keep the others' time stamps: a gap the AVI muxer fills with empty chunks.
    std::string select = "not(0";
    for (int n : clip.nullFrames)
        select += "+eq(n," + std::to_string(n) + ")";
    const std::string command = "ffmpeg -nostdin -v error -y -f rawvideo -pix_fmt bgr0 -video_size " +
                                std::to_string(clip.width) + "x" + std::to_string(clip.height) +
                                " -framerate 200/9 -i '" + path + ".bgr0' -vf \"select='" + select +
                                ")'\" -fps_mode passthrough -c:v " + clip.codec + " -pix_fmt " + clip.pixelFormat +
                                " -g " + std::to_string(clip.gop) + " -bf " + std::to_string(clip.bFrames) + " -f " +
                                clip.container + " '" + path + "'";
    const bool ok = std::system(command.c_str()) == 0;
    fs::remove(path + ".bgr0");
    if (!ok || clip.brokenFrame < 0)
        return ok;
    // Frame n is the (n + 1)-th '00dc' chunk of the 'movi' list: four bytes of
    // name, four of size, then its data.
    std::vector<unsigned char> avi = testsupport::readBytes(path);
    const std::string text(avi.begin(), avi.end());
    size_t at = text.find("movi");
    for (int k = 0; k <= clip.brokenFrame && at != std::string::npos; ++k)
        at = text.find("00dc", at + 4);
    if (at == std::string::npos)
        return false;
    uint32_t size = 0;
    std::memcpy(&size, &avi[at + 4], 4);
    std::fill_n(avi.begin() + long(at) + 8, size, 0x5A);
    testsupport::writeBytes(path, avi);
    return true;
}

// The clip's frames decoded by the ffmpeg program, converted with the reader's
// scaler flags, as bottom-up BGR rows
// padded to 4 bytes; a null frame repeats the picture before it.
std::vector<std::vector<uint8_t>> referenceFrames(const std::string& path, const Clip& clip)
{
    const std::string pictures =
        runCommand("ffmpeg -nostdin -v error -i '" + path + "' -sws_flags bicubic+bitexact+accurate_rnd"
                   " -fps_mode passthrough -f rawvideo -pix_fmt bgr24 pipe:1");
    const std::size_t topDownBytes = static_cast<std::size_t>(clip.width) * clip.height * 3;
    const int rowBytes = (clip.width * 3 + 3) & ~3;
    std::vector<std::vector<uint8_t>> frames;
    for (std::size_t offset = 0; offset + topDownBytes <= pictures.size(); offset += topDownBytes) {
        while (clip.nullFrames.count(static_cast<int>(frames.size())))
            frames.push_back(frames.back());
        std::vector<uint8_t> bitmap(static_cast<std::size_t>(rowBytes) * clip.height, 0);
        for (int y = 0; y < clip.height; ++y)
            std::memcpy(&bitmap[static_cast<std::size_t>(clip.height - 1 - y) * rowBytes],
                        &pictures[offset + static_cast<std::size_t>(y) * clip.width * 3],
                        static_cast<std::size_t>(clip.width) * 3);
        frames.push_back(std::move(bitmap));
    }
    return frames;
}

bool sameFrame(const uint8_t* got, const std::vector<uint8_t>& expected)
{
    return got && std::memcmp(got, expected.data(), expected.size()) == 0;
}


// ---------------------------------------------------------------------------
// Reader: frame n is the n-th frame of the stream, whatever order it is asked in.

struct CodecCase {
    const char* name;
    Clip clip;
};

void PrintTo(const CodecCase& c, std::ostream* out) { *out << c.name; }

class ReaderMatchesCommandLine : public testing::TestWithParam<CodecCase> {};

TEST_P(ReaderMatchesCommandLine, EveryFrameInOrderReverseAndAtRandom)
{
    Clip clip = GetParam().clip;
    const bool avi = std::string(clip.container) == "avi";
    if (avi)
        clip.nullFrames = {9, 23, 24};  // 9 sits right before a key frame of a 10-frame group
    testsupport::ScratchDir dir;
    const std::string path = (dir / (avi ? "clip.avi" : "clip.mkv")).string();
    ASSERT_TRUE(writeClip(path, clip));
    const auto expected = referenceFrames(path, clip);
    ASSERT_EQ(expected.size(), static_cast<std::size_t>(clip.frames));

    VideoReader reader;
    ASSERT_EQ(reader.open(path, clip.width, clip.height), VideoReader::OpenResult::ok);
    EXPECT_EQ(reader.width(), clip.width);
    EXPECT_EQ(reader.height(), clip.height);
    ASSERT_EQ(reader.frameCount(), static_cast<uint32_t>(clip.frames));

    // In order, twice round as the effect plays it: at most one decode per
    // new frame, and the wrap to frame 0 must land on frame 0.
    for (int round = 0; round < 2; ++round) {
        for (uint32_t n = 0; n < reader.frameCount(); ++n) {
            const uint64_t before = reader.framesDecoded();
            ASSERT_TRUE(sameFrame(reader.frame(n), expected[n])) << "in order, frame " << n;
            EXPECT_LE(reader.framesDecoded() - before, 1u) << "frame " << n;
        }
    }
    for (uint32_t n = reader.frameCount(); n-- > 0;)
        ASSERT_TRUE(sameFrame(reader.frame(n), expected[n])) << "reverse, frame " << n;
    // A jump seeks to the key frame before n rather than decoding from far
    // back: no request costs much more than a group of frames.
    std::mt19937 random(12345);
    for (int i = 0; i < 150; ++i) {
        const uint32_t n = random() % reader.frameCount();
        const uint64_t before = reader.framesDecoded();
        ASSERT_TRUE(sameFrame(reader.frame(n), expected[n])) << "random, frame " << n;
        EXPECT_LE(reader.framesDecoded() - before, static_cast<uint64_t>(clip.gop) + 9) << "frame " << n;
    }
    EXPECT_GT(reader.seeks(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Codecs, ReaderMatchesCommandLine,
    testing::Values(CodecCase{"MjpegAvi", {}},
                    CodecCase{"Mpeg4Avi", {.codec = "mpeg4", .pixelFormat = "yuv420p", .gop = 10}},
                    CodecCase{"Ffv1Avi", {.codec = "ffv1", .pixelFormat = "bgr0", .gop = 8}},
                    // Matroska states no frame count (it is counted) and keeps
                    // time stamps in milliseconds; B-frames make the decoder
                    // hold pictures back, which a seek must flush.
                    CodecCase{"Mpeg4BFramesMatroska",
                              {.container = "matroska", .codec = "mpeg4", .pixelFormat = "yuv420p", .gop = 12, .bFrames = 2}}),
    [](const testing::TestParamInfo<CodecCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// The effect, on a lossless clip whose pixels say which frame they come from.

// Frame i: pixel (x, y) = i << 17 | y << 9 | x, exact through FFV1 in RGB.
uint32_t codedPixel(int i, int x, int y)
{
    return static_cast<uint32_t>(i) << 17 | static_cast<uint32_t>(y) << 9 | static_cast<uint32_t>(x);
}

// The programme's way of opening its video, on the working directory's data.
std::unique_ptr<VideoFrameSource> openClip(int width, int height)
{
    return openVideoFile("data/quarnel.avi", width, height);
}

class VideoEffectTest : public testing::Test {
protected:

    static Clip codedClip(int frames)
    {
        return {.codec = "ffv1", .pixelFormat = "bgr0", .width = kFrameWidth,
                .height = kFrameHeight, .frames = frames, .paint = codedPixel};
    }

    // The frame the Framebuffer shows unwarped, or -1.
    static int shownFrame()
    {
        const int i = static_cast<int>(frameUnderTest.framebuffer[0] >> 17);
        for (int y = 0; y < kFrameHeight; ++y)
            for (int x = 0; x < kFrameWidth; ++x)
                if (frameUnderTest.framebuffer[y * kFrameWidth + x] != codedPixel(i, x, y))
                    return -1;
        return i;
    }

    testsupport::ScratchWorkDir dir;
};

TEST_F(VideoEffectTest, PlaysOneFramePer45MsAndLoops)
{
    ASSERT_TRUE(writeClip("data/quarnel.avi", codedClip(5)));
    VideoEffect effect(21000, 60100, 4, openClip);
    const auto& reader = static_cast<const VideoReader&>(*effect.video->reader);
    ASSERT_EQ(reader.frameCount(), 5u);

    effect.render(frameUnderTest, 1);
    EXPECT_EQ(shownFrame(), 0);
    const uint64_t decoded = reader.framesDecoded();
    effect.render(frameUnderTest, 44);  // the same frame: no second decode
    EXPECT_EQ(shownFrame(), 0);
    EXPECT_EQ(reader.framesDecoded(), decoded);
    effect.render(frameUnderTest, 45);
    EXPECT_EQ(shownFrame(), 1);
    effect.render(frameUnderTest, 45 * 5 - 1);
    EXPECT_EQ(shownFrame(), 4);
    effect.render(frameUnderTest, 45 * 5);  // wraps to frame 0
    EXPECT_EQ(shownFrame(), 0);
    effect.render(frameUnderTest, 45 * 8);
    EXPECT_EQ(shownFrame(), 3);
}

TEST_F(VideoEffectTest, KeepsThePreviousPictureWhenAFrameHasNone)
{
    // MJPEG rejects packet 3, which has no JPEG markers; frame 4 is left out.
    const Clip clip{.pixelFormat = "yuvj444p", .width = kFrameWidth, .height = kFrameHeight, .frames = 6,
                    .nullFrames = {4}, .brokenFrame = 3,
                    .paint = [](int i, int, int) { return 0x102030u * static_cast<uint32_t>(i + 1); }};
    ASSERT_TRUE(writeClip("data/quarnel.avi", clip));
    VideoEffect effect(21000, 60100, 4, openClip);
    ASSERT_EQ(effect.video->reader->frameCount(), 6u);

    effect.render(frameUnderTest, 2 * 45);
    const std::vector<uint32_t> frame2(frameUnderTest.framebuffer, frameUnderTest.framebuffer + kFramePixels);
    EXPECT_NE(frame2[0], 0u);
    for (int32_t ms : {3 * 45, 4 * 45})  // broken packet, null frame
        EXPECT_TRUE(std::equal(frame2.begin(), frame2.end(), frameUnderTest.framebuffer)) << ms;
    effect.render(frameUnderTest, 5 * 45);
    EXPECT_FALSE(std::equal(frame2.begin(), frame2.end(), frameUnderTest.framebuffer));
}

TEST_F(VideoEffectTest, ScalesAVideoOfAnotherSizeToTheWholeFrame)
{
    const Clip clip{.codec = "ffv1", .pixelFormat = "bgr0", .width = 100, .height = 60,
                    .frames = 2, .paint = [](int, int x, int) { return x < 50 ? 0xC03010u : 0x1040F0u; }};
    ASSERT_TRUE(writeClip("data/quarnel.avi", clip));
    VideoEffect effect(21000, 60100, 4, openClip);
    effect.render(frameUnderTest, 1);
    for (int y = 0; y < kFrameHeight; ++y) {
        ASSERT_EQ(frameUnderTest.framebuffer[y * kFrameWidth + 10], 0xC03010u) << "row " << y;
        ASSERT_EQ(frameUnderTest.framebuffer[y * kFrameWidth + 310], 0x1040F0u) << "row " << y;
    }
}

std::string constructionFailure()
{
    return testsupport::startupFailure([] { VideoEffect effect(21000, 60100, 4, openClip); });
}

// A file the demuxer opens but that holds no frame (the rest are rows of the
// bad-input matrix).
TEST_F(VideoEffectTest, StopsStartUpWhenTheVideoHasNoFrames)
{
    ASSERT_TRUE(writeClip("data/quarnel.avi", Clip{.frames = 0}));
    EXPECT_EQ(constructionFailure(), "could not decode data/quarnel.avi: no frames");
}

}  // namespace
