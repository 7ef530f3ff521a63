#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "effects/streaks/light_streaks.h"
#include "effects/streaks/light_streaks_kernels.h"

namespace {

constexpr int kW = 320;
constexpr int kPixels = 320 * 240;

struct Kernel {
    const char* name;
    void (*fn)(uint32_t*, int32_t, int32_t, int32_t);
};
void PrintTo(const Kernel& kernel, std::ostream* os) { *os << kernel.name; }

// The SIMD kernels this build has and this CPU runs.
std::vector<Kernel> fastKernels()
{
    std::vector<Kernel> k;
#if defined(__SSE2__)
    k.push_back({"Sse2", applyLightStreaksSse2});
#endif
#if defined(QUARNEL_STREAKS_AVX2)
    if (streaksAvx2Usable())
        k.push_back({"Avx2", applyLightStreaksAvx2});
#endif
    return k;
}

std::vector<Kernel> allKernels()
{
    std::vector<Kernel> k{{"Scalar", applyLightStreaksScalar}, {"Public", applyLightStreaks}};
    for (const Kernel& fast : fastKernels())
        k.push_back(fast);
    return k;
}

std::string kernelName(const testing::TestParamInfo<Kernel>& info) { return info.param.name; }

class LightStreaks : public testing::TestWithParam<Kernel> {
protected:
    // The frame sits between guard zones, so a stray write shows up.
    static constexpr int kGuard = 2 * kW;
    static constexpr uint32_t kGuardValue = 0xA5C3E1F0;
    std::vector<uint32_t> storage = std::vector<uint32_t>(kPixels + 2 * kGuard, kGuardValue);
    uint32_t* frame = storage.data() + kGuard;

    void fill(uint32_t value) { std::fill(frame, frame + kPixels, value); }
    uint32_t at(int x, int y) const { return frame[y * kW + x]; }
    void run(int cx, int cy, int strength) { GetParam().fn(frame, cx, cy, strength); }
    bool guardsIntact() const
    {
        return std::count(storage.begin(), storage.begin() + kGuard, kGuardValue) == kGuard &&
               std::count(storage.end() - kGuard, storage.end(), kGuardValue) == kGuard;
    }
    // Every pixel equal to value, except (x, y) == except.
    void expectUniform(uint32_t value, int exceptX = -1, int exceptY = -1, uint32_t exceptValue = 0)
    {
        for (int i = 0; i < kPixels; ++i)
            ASSERT_EQ(frame[i], i == exceptY * kW + exceptX ? exceptValue : value) << "pixel " << i;
    }
};

TEST_P(LightStreaks, UniformFramesBlackStaysBlackFourthByteKeepsItsShare)
{
    for (int strength : {0, 512, 8191}) {
        fill(0);
        run(37, 201, strength);
        expectUniform(0);
    }
    // The sample's fourth byte is 0: only old * 55 >> 8 survives there.
    fill(0xFF000000);
    run(100, 50, 700);
    expectUniform(0x36000000);
}

TEST_P(LightStreaks, WhiteFrameDarkensWithDistance)
{
    fill(0x00FFFFFF);
    run(160, 120, 0);
    EXPECT_EQ(at(160, 120), 0x00FCFCFCu);  // samples itself with weight 254 only
    EXPECT_EQ(at(200, 120), 0x00FAFAFAu);
    EXPECT_EQ(at(0, 0), 0x00F3F3F3u);
    EXPECT_EQ(at(319, 239), 0x00F2F2F2u);
    fill(0x00FFFFFF);
    run(160, 120, 512);
    EXPECT_EQ(at(0, 0), 0x00EAEAEAu);
}

TEST_P(LightStreaks, SingleWhitePixelLeavesTrailAwayFromCentre)
{
    fill(0);
    frame[120 * kW + 170] = 0x00FFFFFF;
    run(160, 120, 512);
    const uint32_t trail[] = {0x78, 0x43, 0x28, 0x1A, 0x11, 0x0C, 0x09, 0x07, 0x05, 0x03, 0x02, 0x01};
    for (int x = 0; x < kW; ++x)
        EXPECT_EQ(at(x, 120), (x >= 170 && x <= 181 ? trail[x - 170] : 0u) * 0x010101u) << "column " << x;
}

TEST_P(LightStreaks, StepZeroMakesEveryPixelSampleTheRewrittenCentre)
{
    for (int strength : {8160, 8191}) {
        fill(0);
        frame[120 * kW + 160] = 0x00FFFFFF;
        run(160, 120, strength);
        expectUniform(0x00C3C3C3, 160, 120, 0x00FCFCFC);
    }
}

TEST_P(LightStreaks, CornerCentresAndOutOfRangeArgumentsStayInsideTheFrame)
{
    std::mt19937 rng(7);
    std::vector<uint32_t> picture(kPixels);
    for (auto& p : picture)
        p = rng();
    auto runOn = [&](int cx, int cy, int strength) {
        std::copy(picture.begin(), picture.end(), frame);
        run(cx, cy, strength);
        EXPECT_TRUE(guardsIntact()) << cx << "," << cy << " strength " << strength;
        return std::vector<uint32_t>(frame, frame + kPixels);
    };
    for (int strength : {0, 512, 8191})
        for (int corner = 0; corner < 4; ++corner)
            runOn(corner & 1 ? 319 : 0, corner & 2 ? 239 : 0, strength);
    // Out-of-range arguments behave as the nearest supported ones.
    EXPECT_EQ(runOn(-40, 500, -3), runOn(0, 239, 0));
    EXPECT_EQ(runOn(200, 100, INT32_MIN), runOn(200, 100, 0));
    EXPECT_EQ(runOn(INT32_MAX, INT32_MIN, INT32_MAX), runOn(319, 0, 8191));
}

INSTANTIATE_TEST_SUITE_P(Kernels, LightStreaks, testing::ValuesIn(allKernels()), kernelName);

// Each SIMD kernel against the scalar one. The recursive pass carries any
// difference onward, so equal bytes over whole random frames show that a
// kernel reads and writes in an order equivalent to the plain one.
class FastStreaks : public testing::TestWithParam<Kernel> {};

TEST_P(FastStreaks, MatchesScalarOnRandomFrames)
{
    std::mt19937 rng(12345);
    std::vector<uint32_t> a(kPixels), b(kPixels);
    auto check = [&](int cx, int cy, int strength) {
        const bool flat = rng() % 2;  // large flat areas, like a drawn scene
        for (auto& p : a) {
            p = rng();
            if (flat)
                p = (p & 0x8000) ? 0x00FFFFFF : (p & 0x00F0F0F0);
        }
        b = a;
        applyLightStreaksScalar(a.data(), cx, cy, strength);
        GetParam().fn(b.data(), cx, cy, strength);
        ASSERT_EQ(a, b) << "centre " << cx << "," << cy << " strength " << strength;
    };
    // Edges of every range, centres giving unpaired rows and runs of every
    // length (including empty right runs), then random arguments.
    const int centres[][2] = {{0, 0}, {319, 239}, {319, 0}, {0, 239}, {160, 120}, {1, 238}, {318, 1}};
    for (const auto& c : centres)
        for (int strength : {0, 31, 32, 1024, 8159, 8160, 8191, -1, 8192, 100000})
            check(c[0], c[1], strength);
    for (int round = 0; round < 60; ++round)
        check(int(rng() % 360) - 20, int(rng() % 280) - 20, int(rng() % 9000) - 200);
}

// The SIMD kernels sweep each quadrant along anti-diagonals in bands of rows
// and read neighbours as pairs (also rows iy and iy + 1 where the second
// has weight 0). Centres on and next to every band edge and every border,
// with the frame between guards, show the order, the pair shifts at the last
// row and column, and odd diagonal lengths all keep the scalar bytes.
TEST_P(FastStreaks, MatchesScalarAtBandEdgesAndBordersWithinGuards)
{
    constexpr int kGuard = 2 * kW;
    constexpr uint32_t kGuardValue = 0x5A3C1E0F;
    std::mt19937 rng(777);
    std::vector<uint32_t> a(kPixels), b(kPixels + 2 * kGuard, kGuardValue);
    uint32_t* frame = b.data() + kGuard;
    const int rows[] = {0,   1,   2,   31,  32,  33,  63,  64,  65,  110, 111, 120,
                        128, 129, 130, 174, 175, 206, 207, 208, 237, 238, 239};
    const int columns[] = {0, 1, 2, 31, 32, 33, 160, 286, 287, 288, 317, 318, 319};
    for (int cy : rows)
        for (int cx : columns) {
            for (auto& p : a)
                p = rng();
            std::copy(a.begin(), a.end(), frame);
            // Strength 0 samples the nearest rewritten pixels, and the
            // others give fractions of every kind; step 0 samples the centre.
            const int strength = std::array<int, 5>{0, 1, 700, 1024, 8191}[rng() % 5];
            applyLightStreaksScalar(a.data(), cx, cy, strength);
            GetParam().fn(frame, cx, cy, strength);
            ASSERT_TRUE(std::equal(a.begin(), a.end(), frame))
                << "centre " << cx << "," << cy << " strength " << strength;
            ASSERT_EQ(std::count(b.begin(), b.begin() + kGuard, kGuardValue), kGuard);
            ASSERT_EQ(std::count(b.end() - kGuard, b.end(), kGuardValue), kGuard);
        }
}

// Random frames between guard zones, each run through the scalar kernel and
// the kernel under test; the first difference or stray write fails.
class StreakComparison {
public:
    explicit StreakComparison(uint32_t seed) : rng(seed) {}
    void check(const Kernel& kernel, int cx, int cy, int strength)
    {
        for (auto& p : reference)
            p = rng();
        std::copy(reference.begin(), reference.end(), guarded.begin() + kGuard);
        applyLightStreaksScalar(reference.data(), cx, cy, strength);
        kernel.fn(guarded.data() + kGuard, cx, cy, strength);
        ASSERT_TRUE(std::equal(reference.begin(), reference.end(), guarded.begin() + kGuard))
            << kernel.name << " centre " << cx << "," << cy << " strength " << strength;
        ASSERT_EQ(std::count(guarded.begin(), guarded.begin() + kGuard, kGuardValue), kGuard);
        ASSERT_EQ(std::count(guarded.end() - kGuard, guarded.end(), kGuardValue), kGuard);
    }
    std::mt19937 rng;

private:
    static constexpr int kGuard = 2 * kW;
    static constexpr uint32_t kGuardValue = 0xC0FFEE11;
    std::vector<uint32_t> reference = std::vector<uint32_t>(kPixels);
    std::vector<uint32_t> guarded = std::vector<uint32_t>(kPixels + 2 * kGuard, kGuardValue);
};

// Rows far enough from the centre row read only nearer rows and may be
// rewritten whole; the nearer ones must follow the recursive order. Where
// that split lies depends on the step, so every step is checked (both ends
// of its strength range), at centres spread over the frame. A row taken as
// far one row too early reads its own old pixels, which random frames show.
TEST_P(FastStreaks, MatchesScalarForEveryStep)
{
    StreakComparison compare(2024);
    for (int k = 0; k < 256; ++k) {
        const int strength = 32 * k + (k % 2 ? 31 : 0);
        compare.check(GetParam(), (k * 37) % kW, (k * 53) % 240, strength);
        if (HasFatalFailure())
            return;
    }
}

// Centres on and next to every edge and corner, where runs are empty or one
// pixel long, sample pairs meet the last column or row, and the neighbour
// windows of whole-row processing are shifted back inside the row.
TEST_P(FastStreaks, MatchesScalarWithCentresAtEveryEdgeAndCorner)
{
    StreakComparison compare(99);
    const int columns[] = {0, 1, 2, 3, 4, 159, 160, 315, 316, 317, 318, 319};
    const int rows[] = {0, 1, 2, 3, 119, 236, 237, 238, 239};
    const int strengths[] = {0, 31, 200, 700, 1024, 4000, 8191};
    for (int cy : rows)
        for (int cx : columns) {
            compare.check(GetParam(), cx, cy, strengths[compare.rng() % 7]);
            if (HasFatalFailure())
                return;
        }
}

// Near rows read their own row, yet far enough from the centre column whole
// quads of four columns read only columns nearer the centre and may be
// rewritten together, after the columns between them. Where that starts
// depends on the step and on how the centre column sits among the quads, so
// every step of the strengths the scenes use and beyond (0..2047) is checked
// with centres just before, on and after quad and group edges, on both
// sides. Taking one quad too many, or the quads in the wrong order, reads
// old pixels of the quad or the row, which random frames show.
TEST_P(FastStreaks, MatchesScalarWhereNearRowsAreRewrittenInColumnGroups)
{
    StreakComparison compare(4711);
    const int columns[] = {7, 8, 9, 62, 63, 64, 65, 66, 67, 160, 161, 162, 163, 255, 256, 257, 258, 311, 312, 313};
    constexpr int kColumns = sizeof columns / sizeof columns[0];
    for (int k = 0; k < 64; ++k) {
        const int strength = 32 * k + int(compare.rng() % 32);
        for (int i = 0; i < 4; ++i) {
            const int cx = columns[(4 * k + i) % kColumns];
            const int cy = int(compare.rng() % 240);
            compare.check(GetParam(), cx, cy, strength);
            if (HasFatalFailure())
                return;
        }
    }
}

// The outer quads of the near rows go two rows at a time, the pairs of rows
// staggered so that each pair is one quad behind the nearer pair. A half
// with an odd number of near rows ends on a row paired with itself, and the
// frame's edge cuts the near rows short, so centres on and next to the top
// and bottom rows are checked at the steps where the quads reach furthest
// in (strengths 128..1023), with both sides of the centre column, their
// quad counts unequal.
TEST_P(FastStreaks, MatchesScalarWhereOuterQuadsGoTwoRowsAtATime)
{
    StreakComparison compare(31337);
    const int rows[] = {0, 1, 2, 3, 4, 7, 8, 15, 16, 119, 120, 223, 224, 231, 232, 235, 236, 237, 238, 239};
    const int columns[] = {20, 61, 100, 159, 160, 203, 258, 300};
    for (int cy : rows)
        for (int cx : columns) {
            const int strength = 128 + int(compare.rng() % 896);
            compare.check(GetParam(), cx, cy, strength);
            if (HasFatalFailure())
                return;
        }
}

// The centres and strengths the two scenes pass over a whole cycle of their
// animation (strengths 0..512 around (235, 65), 0..1024 around (160, 120)),
// on frames of flat areas with a few bright details, like a drawn scene.
TEST_P(FastStreaks, MatchesScalarAtTheScenesCentresAndStrengths)
{
    std::mt19937 rng(31);
    std::vector<uint32_t> a(kPixels), b(kPixels);
    for (int i = 0; i < 48; ++i) {
        const double phase = 6.283185307179586 * i / 48;
        const bool sceneA = i % 2 == 0;
        const int cx = int((sceneA ? 235.0 : 160.0) + 30.0 * std::sin(phase * 3));
        const int cy = int((sceneA ? 65.0 : 120.0) + 30.0 * std::sin(phase * 3));
        const int strength = int((std::sin(phase) + 1.0) * (sceneA ? 256.0 : 512.0));
        const uint32_t background = rng() & 0x00FFFFFF;
        for (auto& p : a)
            p = rng() % 64 == 0 ? 0x00FFFFFF : background;
        b = a;
        applyLightStreaksScalar(a.data(), cx, cy, strength);
        GetParam().fn(b.data(), cx, cy, strength);
        ASSERT_EQ(a, b) << "centre " << cx << "," << cy << " strength " << strength;
    }
}

INSTANTIATE_TEST_SUITE_P(Kernels, FastStreaks, testing::ValuesIn(fastKernels()), kernelName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(FastStreaks);

}  // namespace
