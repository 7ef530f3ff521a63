// Where the picture lands in the window, and when presents are held back.
#include <gtest/gtest.h>

#include "platform/frame_pacer.h"
#include "platform/letterbox.h"

namespace {

void expectRect(const PictureRect& r, int32_t x, int32_t y, int32_t width, int32_t height)
{
    EXPECT_EQ(r.x, x);
    EXPECT_EQ(r.y, y);
    EXPECT_EQ(r.width, width);
    EXPECT_EQ(r.height, height);
}

TEST(FitPicture, Whole_multiples_centred_with_black_bars)
{
    expectRect(fitPicture(320, 240, 320, 240), 0, 0, 320, 240);
    expectRect(fitPicture(1920, 1080, 320, 240), 320, 60, 1280, 960);  // 4x; 4.5x would not be whole
    expectRect(fitPicture(1280, 1024, 320, 240), 0, 32, 1280, 960);
    expectRect(fitPicture(700, 2000, 320, 240), 30, 760, 640, 480);   // width limits
    expectRect(fitPicture(639, 479, 320, 240), 159, 119, 320, 240);
}

TEST(FitPicture, Smaller_than_the_picture_keeps_the_aspect)
{
    expectRect(fitPicture(160, 240, 320, 240), 0, 60, 160, 120);
    expectRect(fitPicture(320, 120, 320, 240), 80, 0, 160, 120);
    expectRect(fitPicture(0, 240, 320, 240), 0, 0, 0, 0);
    expectRect(fitPicture(320, 240, 0, 0), 0, 0, 0, 0);
}

constexpr int64_t kPeriod = 16'666'667;  // 60 Hz

// Presents `count` frames `interval` ns apart from `start`, as the display
// would, sleeping until whatever the pacer asks; returns the time after.
int64_t run(FramePacer& pacer, int64_t start, int64_t interval, int32_t count)
{
    int64_t now = start;
    for (int32_t i = 0; i < count; ++i) {
        now = pacer.afterPresent(now);
        now += interval;
    }
    return now;
}

TEST(FramePacer, A_working_vsync_is_never_paced)
{
    FramePacer pacer(kPeriod);
    int64_t now = 0;
    for (int32_t i = 0; i < 400; ++i) {
        ASSERT_EQ(pacer.afterPresent(now), now);
        // Whole refreshes, sometimes two when a frame ran long, and the quick
        // returns of a driver that queues a couple of frames.
        now += (i % 50 < 2) ? 1'000'000 : (i % 7 == 0 ? 2 * kPeriod : kPeriod);
    }
    EXPECT_FALSE(pacer.pacing());
}

TEST(FramePacer, Presents_that_do_not_wait_get_paced_to_the_refresh)
{
    // Whole-millisecond waits (16 ms at 60 Hz) run 4 % fast: paced when the
    // display's rate is known, left alone when 60 Hz is only a guess.
    const int32_t unpaced = FramePacer::kWarmUpPresents + FramePacer::kWindowIntervals;
    FramePacer known(kPeriod, true), guessed(kPeriod, false), guessedFast(kPeriod, false);
    run(known, 0, 16'000'000, unpaced);
    run(guessed, 0, 16'000'000, 10 * unpaced);
    run(guessedFast, 0, 5'000'000, unpaced);
    EXPECT_TRUE(known.pacing());
    EXPECT_FALSE(guessed.pacing());
    EXPECT_TRUE(guessedFast.pacing());

    FramePacer pacer(kPeriod);
    int64_t now = run(pacer, 0, 1'000'000, unpaced);
    ASSERT_TRUE(pacer.pacing());
    // From now on each present is held until one refresh after the previous.
    int64_t previous = pacer.afterPresent(now);
    for (int32_t i = 0; i < 20; ++i) {
        const int64_t until = pacer.afterPresent(previous + 1'000'000);
        EXPECT_EQ(until - previous, kPeriod);
        previous = until;
    }
    // A frame that takes longer than a refresh is not held at all; a frame a
    // little late is made up by holding the next one a little less.
    EXPECT_EQ(pacer.afterPresent(previous + 3 * kPeriod), previous + 3 * kPeriod);
    previous += 3 * kPeriod;
    EXPECT_EQ(pacer.afterPresent(previous + kPeriod + 2'000'000), previous + kPeriod + 2'000'000);
    EXPECT_EQ(pacer.afterPresent(previous + kPeriod + 3'000'000), previous + 2 * kPeriod);
}

TEST(FramePacer, Pauses_are_neither_measured_nor_made_up)
{
    // Long pauses between fast presents do not count as slow presents...
    FramePacer pacer(kPeriod);
    int64_t now = run(pacer, 0, 1'000'000, FramePacer::kWarmUpPresents + 10);
    pacer.interrupt();
    now += 10 * kPeriod * FramePacer::kWindowIntervals;
    now = run(pacer, now, 1'000'000, FramePacer::kWindowIntervals + 1);
    EXPECT_TRUE(pacer.pacing());
    // ...and after a pause, the next present is not held to the old schedule.
    pacer.afterPresent(now);
    pacer.interrupt();
    EXPECT_EQ(pacer.afterPresent(now + 5'000'000'000), now + 5'000'000'000);
    EXPECT_EQ(pacer.afterPresent(now + 5'001'000'000), now + 5'000'000'000 + kPeriod);
}

}  // namespace
