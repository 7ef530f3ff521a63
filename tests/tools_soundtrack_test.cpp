// The default soundtrack: timing of the score against the programme's cuts,
// the master limiter, determinism of synthesis and encoding, and the finished
// MP3 as a decoder sees it (length, clipping, music up to the end of the
// picture and silence after the last hit rings out). How it sounds is
// measured by scripts/measure-soundtrack.sh.
#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "tools/generators.h"
#include "tools/music_dsp.h"
#include "tools/music_encoder.h"
#include "tools/music_limiter.h"
#include "tools/music_mixer.h"
#include "tools/music_score.h"
#include "tools/music_tempo.h"
#include "tools/music_voices.h"
#include "test_support.h"

namespace {

using namespace music;

constexpr double kCuts[] = {21.0, 60.1, 67.0, 90.0, 120.0};

// Decodes an MP3 file with FFmpeg into interleaved stereo floats; empty on failure.
std::vector<float> decodeMp3(const std::string& path)
{
    std::vector<float> pcm;
    av_log_set_level(AV_LOG_ERROR);  // the gapless trimming logs harmless notes
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0)
        return pcm;
    if (avformat_find_stream_info(format, nullptr) >= 0) {
        const AVCodec* codec = nullptr;
        const int stream = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
        AVCodecContext* ctx = stream >= 0 ? avcodec_alloc_context3(codec) : nullptr;
        if (ctx && avcodec_parameters_to_context(ctx, format->streams[stream]->codecpar) >= 0 &&
            avcodec_open2(ctx, codec, nullptr) >= 0) {
            AVPacket* packet = av_packet_alloc();
            AVFrame* frame = av_frame_alloc();
            auto drain = [&] {
                while (avcodec_receive_frame(ctx, frame) >= 0) {
                    EXPECT_EQ(frame->format, AV_SAMPLE_FMT_FLTP);
                    EXPECT_EQ(frame->ch_layout.nb_channels, 2);
                    const float* l = reinterpret_cast<const float*>(frame->extended_data[0]);
                    const float* r = reinterpret_cast<const float*>(frame->extended_data[1]);
                    for (int i = 0; i < frame->nb_samples; ++i) {
                        pcm.push_back(l[i]);
                        pcm.push_back(r[i]);
                    }
                }
            };
            while (av_read_frame(format, packet) >= 0) {
                if (packet->stream_index == stream && avcodec_send_packet(ctx, packet) >= 0)
                    drain();
                av_packet_unref(packet);
            }
            avcodec_send_packet(ctx, nullptr);
            drain();
            av_frame_free(&frame);
            av_packet_free(&packet);
        }
        avcodec_free_context(&ctx);
    }
    avformat_close_input(&format);
    return pcm;
}

// RMS level in dB of interleaved stereo between two times.
double levelDb(const std::vector<float>& pcm, double from, double to)
{
    const size_t a = static_cast<size_t>(from * kSampleRate) * 2;
    const size_t b = std::min(pcm.size(), static_cast<size_t>(to * kSampleRate) * 2);
    double sum = 0.0;
    for (size_t i = a; i < b; ++i)
        sum += static_cast<double>(pcm[i]) * pcm[i];
    return 10.0 * std::log10(sum / static_cast<double>(b - a) + 1e-20);
}

TEST(SoundtrackScore, CutsFallOnDownbeatsNearTheTempo)
{
    const TempoMap tempo;
    ASSERT_EQ(tempo.sectionCount(), 6);
    for (int i = 0; i < 5; ++i) {
        // Each cut starts a section, on a whole bar or half bar of the beat count.
        EXPECT_DOUBLE_EQ(tempo.sectionSeconds(i + 1), kCuts[i]);
        EXPECT_DOUBLE_EQ(tempo.seconds(tempo.sectionBeat(i + 1)), kCuts[i]);
        EXPECT_EQ(std::fmod(tempo.sectionBeat(i + 1), 2.0), 0.0);
    }
    for (int i = 0; i < tempo.sectionCount(); ++i) {
        const double bpm = 60.0 / tempo.secondsPerBeatAt(tempo.sectionBeat(i));
        EXPECT_GT(bpm, 120.0) << "section " << i;
        EXPECT_LT(bpm, 130.0) << "section " << i;
        // Continuous across the section start: no jump in music time.
        const double b = tempo.sectionBeat(i);
        EXPECT_NEAR(tempo.seconds(b - 1e-9), tempo.seconds(b), 1e-6);
    }
}

TEST(SoundtrackScore, NotesAreWellFormed)
{
    const Score score = composeScore();
    ASSERT_FALSE(score.notes.empty());
    for (const Note& note : score.notes) {
        EXPECT_GE(note.start, 0.0);
        EXPECT_GT(note.length, 0.0);
        // Every tail ends inside the piece: nothing is cut off by the end of the file.
        EXPECT_LE(note.start + voiceDuration(note), score.lengthSeconds);
        EXPECT_GT(note.velocity, 0.0f);
        EXPECT_LE(note.velocity, 1.0f);
        EXPECT_LE(std::fabs(note.pan), 1.0f);
    }
}

TEST(SoundtrackVoices, EveryVoiceSoundsAndStartsAndStopsAtZero)
{
    for (int v = 0; v <= static_cast<int>(Voice::Bell); ++v) {
        const Note note{static_cast<Voice>(v), 0.5, 0.6, 57, 1.0f, 0.3f, 0.7f, 0.0f, 1234u};
        StereoBuffer bus(static_cast<size_t>(6.0 * kSampleRate));
        renderNote(note, bus);
        const size_t first = static_cast<size_t>(0.5 * kSampleRate);
        const size_t last = first + static_cast<size_t>(std::ceil(voiceDuration(note) * kSampleRate)) - 1;
        ASSERT_LT(last, bus.frames());
        double peak = 0.0;
        for (size_t n = 0; n < bus.frames(); ++n) {
            ASSERT_TRUE(std::isfinite(bus.left[n]) && std::isfinite(bus.right[n]));
            peak = std::max({peak, std::fabs(double(bus.left[n])), std::fabs(double(bus.right[n]))});
            if (n < first || n > last) {
                ASSERT_EQ(bus.left[n], 0.0f) << "voice " << v << " outside its span at " << n;
            }
        }
        EXPECT_GT(peak, 0.05) << "voice " << v;
        EXPECT_LT(peak, 1.0) << "voice " << v;
        // The first and last samples of the span are (nearly) silent: no click.
        EXPECT_LT(std::fabs(bus.left[first]) + std::fabs(bus.right[first]), 1e-3) << "voice " << v;
        EXPECT_LT(std::fabs(bus.left[last]) + std::fabs(bus.right[last]), 1e-3) << "voice " << v;
    }
}

TEST(SoundtrackLimiter, HoldsTheCeilingWithSmoothGainAndLeavesQuietPartsAlone)
{
    StereoBuffer io(44100);
    Rng rng(7);
    for (size_t n = 0; n < io.frames(); ++n) {
        io.left[n] = static_cast<float>(0.3 * rng.bipolar());
        io.right[n] = static_cast<float>(0.3 * rng.bipolar());
    }
    // Isolated peaks, one at the very first sample and one at the last.
    for (size_t n : {size_t{0}, size_t{20000}, size_t{20001}, io.frames() - 1}) {
        io.left[n] = 3.0f;
        io.right[n] = -2.0f;
    }
    const StereoBuffer input = io;
    limitPeaks(io, 0.8, 0.003, 0.01);
    const double window = std::round(0.003 * kSampleRate);
    double previousGain = 1.0;
    for (size_t n = 0; n < io.frames(); ++n) {
        ASSERT_LE(std::fabs(io.left[n]), 0.8 + 1e-6) << n;
        ASSERT_LE(std::fabs(io.right[n]), 0.8 + 1e-6) << n;
        // A gain step of at most 1/window per sample: the ramp, not a click.
        const double gain = io.left[n] / input.left[n];
        if (n > 0 && std::fabs(input.left[n]) > 0.05 && std::fabs(input.left[n - 1]) > 0.05) {
            ASSERT_LE(previousGain - gain, 1.0 / window + 1e-6) << n;
        }
        previousGain = gain;
    }
    // Well away from the peaks (release has recovered) nothing changes.
    for (size_t n = 30000; n < 40000; ++n)
        ASSERT_NEAR(io.left[n], input.left[n], 1e-4 * std::fabs(input.left[n]) + 1e-9);
}

TEST(SoundtrackSynthesis, IsDeterministicAndAShortRenderMatchesTheFullStart)
{
    const Score score = composeScore();
    const StereoBuffer a = mixScore(score, 3.0);
    const StereoBuffer b = mixScore(score, 3.0);
    ASSERT_EQ(a.left, b.left);
    ASSERT_EQ(a.right, b.right);
    // A longer render shares the first samples, apart from the limiter's
    // look-ahead at the end of the short one.
    const StereoBuffer longer = mixScore(score, 4.0);
    const size_t same = a.frames() - static_cast<size_t>(0.01 * kSampleRate);
    EXPECT_TRUE(std::equal(a.left.begin(), a.left.begin() + same, longer.left.begin()));
    EXPECT_TRUE(std::equal(a.right.begin(), a.right.begin() + same, longer.right.begin()));

    // The encoder too gives the same bytes on every run.
    std::vector<uint8_t> mp3a, mp3b;
    ASSERT_TRUE(encodeMp3(a, mp3a));
    ASSERT_TRUE(encodeMp3(a, mp3b));
    EXPECT_EQ(mp3a, mp3b);
}

class SoundtrackFile : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const testsupport::ScratchDir dir;
        const std::string path = (dir / "soundtrack.mp3").string();
        ok_ = writeSoundtrack(path);
        bytes_ = new std::vector<uint8_t>(testsupport::readBytes(path));
        pcm_ = new std::vector<float>(decodeMp3(path));
    }
    static void TearDownTestSuite()
    {
        delete bytes_;
        delete pcm_;
    }
    static inline bool ok_ = false;
    static inline std::vector<uint8_t>* bytes_ = nullptr;
    static inline std::vector<float>* pcm_ = nullptr;
};

TEST_F(SoundtrackFile, StartsWithTheEncoderTagAndDecodesGaplesslyToTheFullLength)
{
    ASSERT_TRUE(ok_);
    ASSERT_GT(bytes_->size(), 4000u);
    // MPEG-1 layer III sync, then the CBR tag ("Info") and the encoder's name
    // inside the first frame.
    EXPECT_EQ((*bytes_)[0], 0xFF);
    EXPECT_EQ((*bytes_)[1] & 0xFE, 0xFA);
    const std::string first(bytes_->begin(), bytes_->begin() + 417);
    EXPECT_NE(first.find("Info"), std::string::npos);
    EXPECT_NE(first.find("LAME"), std::string::npos);
    // 192 kbps for the whole length, give or take the tag frame.
    EXPECT_NEAR(static_cast<double>(bytes_->size()), 192000.0 / 8.0 * kSoundtrackSeconds, 2000.0);
    // The tag's delay and padding let the decoder return exactly the samples
    // that were encoded: the whole programme and its tail.
    EXPECT_EQ(pcm_->size(), static_cast<size_t>(kSoundtrackSeconds * kSampleRate) * 2);
}

TEST_F(SoundtrackFile, NeverClipsAndPlaysFromSilenceUntilTheLastHitRingsOut)
{
    ASSERT_FALSE(pcm_->empty());
    float peak = 0.0f;
    for (float v : *pcm_) {
        ASSERT_TRUE(std::isfinite(v));
        peak = std::max(peak, std::fabs(v));
    }
    // Full scale in 16 bits is 32767/32768; stay clear of it after decoding.
    EXPECT_LT(peak, 0.97f);
    EXPECT_GT(peak, 0.5f);  // and the mix is not needlessly quiet
    EXPECT_LT(levelDb(*pcm_, 0.0, 0.05), -60.0);
    // The music plays up to the picture's end at 120 s, its last hit rings
    // out, and there is nothing after it: the file ends soon after.
    EXPECT_GT(levelDb(*pcm_, 119.0, 120.0), -25.0);
    EXPECT_LT(levelDb(*pcm_, 125.0, kSoundtrackSeconds), -90.0);
    EXPECT_LE(kSoundtrackSeconds, 126.0);
}

}  // namespace
