// Writing video files: streams as asked, sound in step with the pictures in
// both containers.
#include <gtest/gtest.h>
#include <unistd.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "capture/video_file_writer.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

const testsupport::ScratchDir scratch;
std::string tempPath(const std::string& name) { return (scratch / name).string(); }

// What a file holds, read back with FFmpeg: per stream, and the time of the
// first bright picture and of the first loud sound.
struct ReadBack {
    int width = 0, height = 0;
    AVRational frameRate{0, 1};
    int pictures = 0;
    int audioStreams = 0, videoStreams = 0;
    double firstBrightPicture = -1;  // seconds
    double firstLoudSound = -1;      // seconds
    double lastPictureEnd = 0, lastSoundEnd = 0;
};

bool readBack(const std::string& path, ReadBack& r)
{
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0)
        return false;
    avformat_find_stream_info(format, nullptr);
    std::vector<AVCodecContext*> decoders(format->nb_streams, nullptr);
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVCodecParameters* p = format->streams[i]->codecpar;
        if (p->codec_type == AVMEDIA_TYPE_VIDEO) {
            ++r.videoStreams;
            r.width = p->width;
            r.height = p->height;
            r.frameRate = format->streams[i]->avg_frame_rate;
        } else if (p->codec_type == AVMEDIA_TYPE_AUDIO) {
            ++r.audioStreams;
        }
        decoders[i] = avcodec_alloc_context3(avcodec_find_decoder(p->codec_id));
        avcodec_parameters_to_context(decoders[i], p);
        decoders[i]->pkt_timebase = format->streams[i]->time_base;
        avcodec_open2(decoders[i], nullptr, nullptr);
    }
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    auto drain = [&](unsigned index) {
        AVCodecContext* c = decoders[index];
        const double tb = av_q2d(format->streams[index]->time_base);
        while (avcodec_receive_frame(c, frame) >= 0) {
            const double start = double(frame->best_effort_timestamp) * tb;
            if (c->codec_type == AVMEDIA_TYPE_VIDEO) {
                ++r.pictures;
                r.lastPictureEnd = std::max(r.lastPictureEnd, start + 1.0 / av_q2d(r.frameRate));
                // Luma of the top-left pixel: black is 16, white 235.
                if (r.firstBrightPicture < 0 && frame->data[0][0] > 128)
                    r.firstBrightPicture = start;
            } else {
                const float* left = reinterpret_cast<const float*>(frame->data[0]);
                for (int k = 0; k < frame->nb_samples && r.firstLoudSound < 0; ++k)
                    if (std::fabs(left[k]) > 0.25f)
                        r.firstLoudSound = start + double(k) / frame->sample_rate;
                r.lastSoundEnd = std::max(r.lastSoundEnd, start + double(frame->nb_samples) / frame->sample_rate);
            }
        }
    };
    while (av_read_frame(format, packet) >= 0) {
        const unsigned index = unsigned(packet->stream_index);
        avcodec_send_packet(decoders[index], packet);
        av_packet_unref(packet);
        drain(index);
    }
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        avcodec_send_packet(decoders[i], nullptr);
        drain(i);
        avcodec_free_context(&decoders[i]);
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    avformat_close_input(&format);
    return true;
}

// Writes frames pictures at fps, black until brightFrom and white from then
// on, with silence until the same moment and a loud tone after it.
bool writeTestFile(const std::string& path, const std::string& name, int fps, int frames, int brightFrom,
                   std::string& error)
{
    VideoFileSettings settings;
    settings.width = 64;
    settings.height = 48;
    settings.fps = fps;
    VideoFileWriter writer;
    if (!writer.open(path, name, settings, error))
        return false;
    std::vector<uint32_t> black(64 * 48, 0), white(64 * 48, 0xFFFFFF);
    int64_t soundDone = 0;
    for (int i = 0; i < frames; ++i) {
        if (!writer.writeVideo(i < brightFrom ? black.data() : white.data(), error))
            return false;
        // The same split of samples between frames as a capture makes.
        const int64_t end = int64_t(i + 1) * settings.sampleRate / fps;
        std::vector<int16_t> sound(size_t(end - soundDone) * 2, 0);
        if (i >= brightFrom)
            for (size_t k = 0; k < sound.size() / 2; ++k)
                sound[2 * k] = sound[2 * k + 1] =
                    int16_t(16000 * std::sin(2 * M_PI * 440.0 * double(soundDone + int64_t(k)) / 44100.0));
        if (!writer.writeAudio(sound.data(), end - soundDone, error))
            return false;
        soundDone = end;
    }
    return writer.finish(error);
}

TEST(VideoFile, StreamsAsAskedWithSoundInStepWithThePictures)
{
    for (const char* ending : {".mp4", ".mkv"}) {
        const std::string path = tempPath(std::string("sync") + ending);
        std::string error;
        // The temporary name has another ending: the container follows the final name.
        ASSERT_TRUE(writeTestFile(path + ".part", path, 30, 45, 20, error)) << ending << ": " << error;
        ReadBack r;
        ASSERT_TRUE(readBack(path + ".part", r)) << ending;
        EXPECT_EQ(r.videoStreams, 1) << ending;
        EXPECT_EQ(r.audioStreams, 1) << ending;
        EXPECT_EQ(r.width, 64);
        EXPECT_EQ(r.height, 48);
        EXPECT_EQ(r.frameRate.num, 30 * r.frameRate.den) << ending;
        EXPECT_EQ(r.pictures, 45) << ending;
        // Picture 20 and its sound start together, whatever delay the AAC
        // encoder adds and however the container records it.
        ASSERT_GE(r.firstBrightPicture, 0) << ending;
        ASSERT_GE(r.firstLoudSound, 0) << ending;
        EXPECT_NEAR(r.firstLoudSound - r.firstBrightPicture, 0.0, 0.005) << ending;
        EXPECT_NEAR(r.lastSoundEnd - r.lastPictureEnd, 0.0, 0.03) << ending;
    }
}

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
