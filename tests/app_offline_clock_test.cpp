// The clock of captures and benchmarks, the soundtrack's share of each frame,
// and the nearest-neighbour enlargement of the picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "capture/upscale.h"
#include "app/frame_clock.h"
#include "app/frame_sound.h"
#include "media/mp3_decode.h"

namespace {

TEST(FrameClock, FramesCoverTheSpanInWholeMilliseconds)
{
    const FrameClock c{66000, 68000, 30};
    EXPECT_EQ(c.frameCount(), 60);
    EXPECT_EQ(c.musicMs(0), 66000);
    EXPECT_EQ(c.musicMs(1), 66033);  // 33.3 ms truncated, as the live clock reads whole ms
    EXPECT_EQ(c.musicMs(2), 66066);
    EXPECT_EQ(c.musicMs(3), 66100);
    EXPECT_EQ(c.musicMs(59), 67966);

    // The whole programme at 60 fps, with the two black seconds after it.
    const FrameClock whole{0, 122000, 60};
    EXPECT_EQ(whole.frameCount(), 7320);
    EXPECT_EQ(whole.musicMs(7319), 121983);

    // A span that is not a whole number of frames: the last frame is the
    // last whose time lies before the end, whatever the rate.
    for (int fps : {1, 7, 24, 25, 30, 59, 60, 144, 1000}) {
        for (int32_t span : {1, 999, 1000, 1001, 2000, 12345}) {
            const FrameClock k{5000, 5000 + span, fps};
            const int64_t n = k.frameCount();
            ASSERT_GT(n, 0);
            EXPECT_LT(k.musicMs(n - 1), k.toMs) << fps << " " << span;
            EXPECT_GE(k.musicMs(n), k.toMs) << fps << " " << span;
            for (int64_t i = 1; i < n; ++i)
                ASSERT_GE(k.musicMs(i), k.musicMs(i - 1));
        }
    }
    EXPECT_EQ((FrameClock{100, 100, 60}).frameCount(), 0);
    EXPECT_EQ((FrameClock{100, 50, 60}).frameCount(), 0);
    // A long run must not overflow: i * 1000 is computed in 64 bits.
    const FrameClock day{0, 24 * 3600 * 1000, 1000};
    EXPECT_EQ(day.musicMs(day.frameCount() - 1), 24 * 3600 * 1000 - 1);
}

// A track whose every sample names its own frame and channel, so a slice
// shows exactly where it was taken from.
PcmTrack numberedTrack(int64_t frames)
{
    PcmTrack t;
    t.samples.resize(size_t(frames) * 2);
    for (int64_t i = 0; i < frames; ++i) {
        t.samples[size_t(2 * i)] = int16_t(i % 30000);
        t.samples[size_t(2 * i + 1)] = int16_t(-(i % 30000));
    }
    return t;
}

TEST(FrameSound, SlicesJoinIntoTheTrackFromTheFirstFrameOn)
{
    // The track ends with the run, so nothing fades.
    const PcmTrack track = numberedTrack(int64_t(kPcmRate) * 3);
    // 7 fps does not divide 44100: slices differ in length by one frame.
    for (int fps : {7, 30, 60}) {
        const FrameClock clock{1000, 3000, fps};
        const int64_t first = pcmFrameAtMs(1000);
        std::vector<int16_t> joined, slice;
        for (int64_t i = 0; i < clock.frameCount(); ++i) {
            frameSound(track, clock, i, slice);
            // Each slice starts where its picture does, within the
            // millisecond the picture's time was truncated to.
            const int64_t startFrame = first + int64_t(joined.size() / 2);
            EXPECT_NEAR(double(startFrame) * 1000.0 / kPcmRate, clock.musicMs(i), 1.0) << fps << " frame " << i;
            joined.insert(joined.end(), slice.begin(), slice.end());
        }
        // Sound and pictures last exactly as long.
        ASSERT_EQ(int64_t(joined.size() / 2), clock.frameCount() * kPcmRate / fps) << fps;
        ASSERT_TRUE(std::equal(joined.begin(), joined.end(), track.samples.begin() + 2 * first)) << fps;
        EXPECT_EQ(runSoundFrames(clock), int64_t(joined.size() / 2));
    }
}

TEST(FrameSound, ARunEndingInsideTheMusicFadesItsLastHalfSecondOut)
{
    PcmTrack track;
    track.samples.assign(size_t(kPcmRate) * 4, 1000);  // 2 s of a steady level
    auto joined = [&](int32_t toMs) {
        const FrameClock clock{0, toMs, 30};
        std::vector<int16_t> all, slice;
        for (int64_t i = 0; i < clock.frameCount(); ++i) {
            frameSound(track, clock, i, slice);
            all.insert(all.end(), slice.begin(), slice.end());
        }
        return all;
    };
    const std::vector<int16_t> cut = joined(1000);
    const size_t fadeStart = cut.size() - size_t(kFadeOutFrames) * 2;
    EXPECT_EQ(cut[fadeStart - 1], 1000);
    EXPECT_EQ(cut[fadeStart], 1000);  // full level where the fade begins ...
    EXPECT_EQ(cut[fadeStart + kFadeOutFrames], 500);  // ... half way down in the middle ...
    EXPECT_EQ(cut.back(), 0);  // ... and 1000 / 22050 of it in the last frame
    // A run that outlasts the music keeps it whole: its end is the music's own.
    const std::vector<int16_t> whole = joined(3000);
    EXPECT_TRUE(std::equal(track.samples.begin(), track.samples.end(), whole.begin()));
    EXPECT_EQ(trackEndMs(track), 2000);
}

TEST(Upscale, EveryPixelBecomesASolidBlock)
{
    const int w = 5, h = 3;
    std::vector<uint32_t> source(w * h);
    for (int i = 0; i < w * h; ++i)
        source[size_t(i)] = 0x010203u * uint32_t(i + 1);
    for (int factor : {1, 2, 3, 4}) {
        std::vector<uint32_t> target(size_t(w * h * factor * factor), 0xDEADBEEF);
        upscaleNearest(source.data(), w, h, factor, target.data());
        for (int y = 0; y < h * factor; ++y)
            for (int x = 0; x < w * factor; ++x)
                ASSERT_EQ(target[size_t(y * w * factor + x)], source[size_t(y / factor * w + x / factor)])
                    << factor << " at " << x << "," << y;
    }
}

}  // namespace
