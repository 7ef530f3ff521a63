// The heard-position arithmetic with made-up callbacks, one tick a
// microsecond: the cases a real device will not produce on demand.
#include <gtest/gtest.h>

#include "platform/play_clock.h"

namespace {

constexpr uint64_t ms(uint64_t milliseconds) { return milliseconds * 1000; }
constexpr int64_t kLength = 441000, kLatency = 2048, kPeriod = 1024;

DeviceProgress callback(int64_t delivered, uint64_t ticks) { return DeviceProgress{true, delivered, ticks}; }

TEST(PlayClock, FollowsTheDeviceLessLatencyWithoutRunningAheadOrBack) {
    PlayClock clock(kLength, kLatency, kPeriod, 1000000);
    EXPECT_EQ(clock.position(DeviceProgress{}, ms(5)), 0);  // not started
    clock.start(44100, ms(1000), true);
    EXPECT_EQ(clock.position(DeviceProgress{}, ms(1500)), 44100);
    // The first callback's audio is not heard yet: the start holds.
    EXPECT_EQ(clock.position(callback(44100 + kPeriod, ms(1501)), ms(1502)), 44100);
    // Run on by the ticks after a callback, but never more than one period,
    // so a stalled device stalls the clock.
    EXPECT_EQ(clock.position(callback(88200, ms(2000)), ms(2010)), 88200 - kLatency + 441);
    EXPECT_EQ(clock.position(callback(88200, ms(2000)), ms(2500)), 88200 - kLatency + kPeriod);
    // A callback that reports less than the clock has shown holds it.
    const DeviceProgress late = callback(88200 + 512, ms(2501));
    EXPECT_EQ(clock.position(late, ms(2510)), 88200 - kLatency + kPeriod);
    EXPECT_EQ(clock.position(late, ms(2521)), 88200 + 512 - kLatency + 882);
}

TEST(PlayClock, RunsOnTheTicksPastTheEndAndWithoutADevice) {
    PlayClock clock(kLength, kLatency, kPeriod, 1000000);
    clock.start(0, 0, true);
    const DeviceProgress end = callback(kLength + kLatency, ms(10000));  // nothing new after it
    EXPECT_EQ(clock.position(end, ms(10000)), kLength);
    EXPECT_EQ(clock.position(end, ms(70000)), kLength + 60 * 44100);

    PlayClock pastEnd(kLength, kLatency, kPeriod, 1000000);
    pastEnd.start(kLength + 100, ms(5), true);
    EXPECT_EQ(pastEnd.position(DeviceProgress{}, ms(1005)), kLength + 100 + 44100);

    PlayClock wall(kLength, kLatency, kPeriod, 1000000);
    wall.start(4410, ms(300), false);
    EXPECT_EQ(wall.position(DeviceProgress{}, ms(301)), 4410 + 44);
    EXPECT_EQ(wall.position(callback(1, ms(2300)), ms(2300)), 4410 + 88200);  // progress ignored

    // A nanosecond counter after about 30 years does not overflow.
    PlayClock nano(kLength, kLatency, kPeriod, 1000000000);
    EXPECT_EQ(nano.framesIn(1000000000000000000ull + 500000000), 1000000000ll * 44100 + 22050);
}

}  // namespace
