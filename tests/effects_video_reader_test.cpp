// The video reader against an independent decode by the ffmpeg command line,
// and the video effect on small clips made here with libavcodec.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
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

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>

// The frame the code under test draws into, as the frame loop would pass it.
static Frame frameUnderTest;
}

namespace fs = std::filesystem;

namespace {

using testsupport::runCommand;

// Colour of pixel (x, y) of frame i, 0x00RRGGBB.
using Painter = std::function<uint32_t(int i, int x, int y)>;

struct Clip {
    const char* container = "avi";
    AVCodecID codec = AV_CODEC_ID_MJPEG;
    AVPixelFormat pixelFormat = AV_PIX_FMT_YUV420P;
    int width = 96, height = 64, frames = 40;
    int gop = 1;
    int bFrames = 0;
    std::set<int> nullFrames = {};  // left out: AVI stores empty chunks for them
    int brokenFrame = -1;           // its packet is overwritten with bytes no decoder accepts
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

// Writes the clip with libavformat/libavcodec. Returns false on any failure.
bool writeClip(const std::string& path, const Clip& clip)
{
    AVFormatContext* format = nullptr;
    if (avformat_alloc_output_context2(&format, nullptr, clip.container, path.c_str()) < 0)
        return false;
    const AVCodec* codec = avcodec_find_encoder(clip.codec);
    AVCodecContext* encoder = avcodec_alloc_context3(codec);
    AVStream* stream = avformat_new_stream(format, nullptr);
    AVPacket* packet = av_packet_alloc();
    AVFrame* rgb = av_frame_alloc();
    AVFrame* frame = av_frame_alloc();
    encoder->width = rgb->width = frame->width = clip.width;
    encoder->height = rgb->height = frame->height = clip.height;
    encoder->pix_fmt = clip.pixelFormat;
    frame->format = clip.pixelFormat;
    rgb->format = AV_PIX_FMT_0RGB32;
    encoder->color_range = AVCOL_RANGE_JPEG;  // lets MJPEG take plain YUV
    encoder->time_base = stream->time_base = AVRational{9, 200};
    encoder->gop_size = clip.gop;
    encoder->max_b_frames = clip.bFrames;
    encoder->flags |= AV_CODEC_FLAG_BITEXACT;
    if (format->oformat->flags & AVFMT_GLOBALHEADER)
        encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    SwsContext* scaler = sws_getContext(clip.width, clip.height, AV_PIX_FMT_0RGB32, clip.width, clip.height,
                                        clip.pixelFormat, SWS_BICUBIC, nullptr, nullptr, nullptr);
    bool ok = scaler && avcodec_open2(encoder, codec, nullptr) >= 0 &&
              avcodec_parameters_from_context(stream->codecpar, encoder) >= 0 &&
              avio_open(&format->pb, path.c_str(), AVIO_FLAG_WRITE) >= 0 &&
              avformat_write_header(format, nullptr) >= 0 && av_frame_get_buffer(rgb, 0) >= 0 &&
              av_frame_get_buffer(frame, 0) >= 0;

    auto encode = [&](const AVFrame* input) {
        bool written = avcodec_send_frame(encoder, input) >= 0;
        while (written && avcodec_receive_packet(encoder, packet) >= 0) {
            if (packet->pts == clip.brokenFrame)
                std::memset(packet->data, 0x5A, packet->size);
            av_packet_rescale_ts(packet, encoder->time_base, stream->time_base);
            written = av_interleaved_write_frame(format, packet) >= 0;
        }
        return written;
    };
    const Painter paint = clip.paint ? clip.paint : Painter(defaultPaint);
    for (int i = 0; ok && i < clip.frames; ++i) {
        if (clip.nullFrames.count(i))
            continue;  // a gap in the time stamps: the AVI muxer writes an empty chunk
        for (int y = 0; y < clip.height; ++y)
            for (int x = 0; x < clip.width; ++x)
                reinterpret_cast<uint32_t*>(rgb->data[0] + y * rgb->linesize[0])[x] = paint(i, x, y);
        sws_scale(scaler, rgb->data, rgb->linesize, 0, clip.height, frame->data, frame->linesize);
        frame->pts = i;
        ok = encode(frame);
    }
    ok = ok && encode(nullptr) && av_write_trailer(format) >= 0;
    sws_freeContext(scaler);
    av_frame_free(&frame);
    av_frame_free(&rgb);
    av_packet_free(&packet);
    avcodec_free_context(&encoder);
    avio_closep(&format->pb);
    avformat_free_context(format);
    return ok;
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
                    CodecCase{"Mpeg4Avi", {.codec = AV_CODEC_ID_MPEG4, .gop = 10}},
                    CodecCase{"Ffv1Avi", {.codec = AV_CODEC_ID_FFV1, .pixelFormat = AV_PIX_FMT_0RGB32, .gop = 8}},
                    // Matroska states no frame count (it is counted) and keeps
                    // time stamps in milliseconds; B-frames make the decoder
                    // hold pictures back, which a seek must flush.
                    CodecCase{"Mpeg4BFramesMatroska",
                              {.container = "matroska", .codec = AV_CODEC_ID_MPEG4, .gop = 12, .bFrames = 2}}),
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
        return {.codec = AV_CODEC_ID_FFV1, .pixelFormat = AV_PIX_FMT_0RGB32, .width = kFrameWidth,
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
    const Clip clip{.pixelFormat = AV_PIX_FMT_YUV444P, .width = kFrameWidth, .height = kFrameHeight, .frames = 6,
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
    const Clip clip{.codec = AV_CODEC_ID_FFV1, .pixelFormat = AV_PIX_FMT_0RGB32, .width = 100, .height = 60,
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
