// Decoding and playback of the soundtrack, with MP3 files made here by
// libmp3lame and SDL's dummy audio driver standing in for a sound card.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "media/mp3_decode.h"
#include "platform/soundtrack.h"
#include "lame_mp3.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;


// Normalised correlation of one channel with a 440 Hz tone starting at
// phase 0: near 1 only when the audio is neither delayed nor advanced.
double correlationWith440(const PcmTrack& track, int channel) {
    double dot = 0, energy = 0, reference = 0;
    for (int64_t i = 0; i < track.frameCount(); ++i) {
        const double s = track.samples[static_cast<size_t>(i * 2 + channel)], r = tone(440, i, kPcmRate);
        dot += s * r, energy += s * s, reference += r * r;
    }
    return dot / std::sqrt(energy * reference);
}

class Sound : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    }
    void TearDown() override { soundClose(); }
    fs::path file(const char* name) const { return dir_ / name; }

private:
    testsupport::ScratchDir dir_;
};

TEST_F(Sound, DecodesGaplesslyToStereo44100) {
    PcmTrack track;
    writeMp3(file("a.mp3"), 44100, 1.0, 440, 0);
    ASSERT_TRUE(decodeMp3File(file("a.mp3").c_str(), track));
    EXPECT_EQ(track.frameCount(), 44100);  // encoder delay and padding trimmed
    EXPECT_GT(correlationWith440(track, 0), 0.95);
    for (int64_t i = 0; i < track.frameCount(); ++i)
        ASSERT_LT(std::abs(track.samples[static_cast<size_t>(i * 2 + 1)]), 200) << "right channel was silent";

    // Other rates are resampled, keeping length, pitch and place.
    writeMp3(file("b.mp3"), 48000, 1.0, 440, 440);
    ASSERT_TRUE(decodeMp3File(file("b.mp3").c_str(), track));
    EXPECT_EQ(track.frameCount(), 44100);
    EXPECT_GT(correlationWith440(track, 1), 0.95);
    // Mono goes to both channels.
    writeMp3(file("c.mp3"), 22050, 1.0, 440, 0, true);
    ASSERT_TRUE(decodeMp3File(file("c.mp3").c_str(), track));
    EXPECT_EQ(track.frameCount(), 44100);
    EXPECT_GT(correlationWith440(track, 0), 0.9);
    for (int64_t i = 0; i < track.frameCount(); ++i)
        ASSERT_EQ(track.samples[static_cast<size_t>(i * 2)], track.samples[static_cast<size_t>(i * 2 + 1)]);
}

TEST(PcmTrack, CopiesWithSilenceOutsideAndConvertsTimesExactly) {
    PcmTrack track{{1, -1, 2, -2, 3, -3}};
    std::vector<int16_t> out(12, 99);
    copyPcmFrames(track, -2, out.data(), 6);  // two before, three inside, one past
    EXPECT_EQ(out, (std::vector<int16_t>{0, 0, 0, 0, 1, -1, 2, -2, 3, -3, 0, 0}));
    std::fill(out.begin(), out.end(), 99);
    copyPcmFrames(track, 7, out.data(), 1);  // wholly past the end; nothing beyond one frame written
    EXPECT_EQ(std::vector<int16_t>(out.begin(), out.begin() + 3), (std::vector<int16_t>{0, 0, 99}));
    for (int32_t ms = 0; ms < 130000; ++ms)
        ASSERT_EQ(pcmMsAtFrame(pcmFrameAtMs(ms)), ms);
    EXPECT_EQ(pcmMsAtFrame(int64_t{1} << 62), INT32_MAX);
}

// A clock reading and the steady time of it: the tightest of a few
// bracketed reads, so that the reader being preempted does not skew a rate.
struct Reading {
    int32_t ms = 0;
    Clock::time_point at;
};
Reading readClock(SoundStream* stream) {
    Reading best;
    auto tightest = Clock::duration::max();
    for (int attempt = 0; attempt < 5; ++attempt) {
        const auto before = Clock::now();
        const int32_t ms = soundGetTime(stream);
        const auto after = Clock::now();
        if (after - before < tightest)
            tightest = after - before, best = Reading{ms, before + (after - before) / 2};
    }
    return best;
}
double rate(const Reading& from, const Reading& to) {
    return (to.ms - from.ms) / std::chrono::duration<double, std::milli>(to.at - from.at).count();
}

// The player's stream of an MP3 file, decoded as the program does; null when
// the file does not decode.
SoundStream* openDecoded(const std::filesystem::path& path) {
    PcmTrack track;
    return decodeMp3File(path.c_str(), track) ? soundOpenStream(std::move(track)) : nullptr;
}

// Reads the clock for `seconds`, checking it never runs backwards; returns
// the number of distinct values seen.
int readFor(SoundStream* stream, double seconds) {
    int distinct = 0;
    int32_t last = soundGetTime(stream);
    for (const auto end = Clock::now() + std::chrono::duration<double>(seconds); Clock::now() < end;) {
        const int32_t now = soundGetTime(stream);
        EXPECT_GE(now, last);
        distinct += now != last;
        last = now;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return distinct;
}

TEST_F(Sound, ClockWaitsForPlayThenRunsMonotonicAtTheRealRate) {
    writeMp3(file("a.mp3"), 44100, 3.0, 440, 550);
    SoundStream* stream = openDecoded(file("a.mp3"));
    ASSERT_NE(stream, nullptr);
    ASSERT_TRUE(soundInit(true));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(soundGetTime(stream), 0);
    soundPlay(stream, 0);
    readFor(stream, 0.25);
    const Reading first = readClock(stream);
    const int distinct = readFor(stream, 2.0);
    const Reading last = readClock(stream);
    EXPECT_NEAR(rate(first, last), 1.0, 0.02);  // the dummy driver runs a little off
    EXPECT_GT(distinct, 1000);                  // millisecond steps, not callback-sized ones
    std::printf("clock over 2 s: rate %.4f, %d distinct values\n", rate(first, last), distinct);
}

}  // namespace
