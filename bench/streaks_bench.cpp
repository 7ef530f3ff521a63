// The light-streak pass, SIMD and scalar, against a plain copy of the frame,
// the floor for any full-frame pass: the ratio of the times is the cost of
// the pass in frame copies. The argument is the strength: 0 is the slowest
// case, where every sample leans on the pixel just rewritten.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "effects/streaks/light_streaks.h"
#include "effects/streaks/light_streaks_kernels.h"

namespace {

constexpr int kPixels = 320 * 240;

// A frame like a drawn scene: flat shaded areas with some noise.
std::vector<uint32_t> sceneLikeFrame()
{
    std::vector<uint32_t> frame(kPixels);
    std::mt19937 rng(99);
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) {
            const int dx = x - 170, dy = y - 110;
            frame[y * 320 + x] = dx * dx + dy * dy < 60 * 60 ? 0x00F0C080 + (rng() & 0x0F0F0F) : 0x00202830;
        }
    return frame;
}

template <void (*Pass)(uint32_t*, int32_t, int32_t, int32_t)>
void BM_Streaks(benchmark::State& state)
{
    std::vector<uint32_t> frame = sceneLikeFrame();
    const int32_t strength = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        // The pass does the same work whatever the pixels hold (no branch
        // depends on them), so it runs over its own output again and again.
        Pass(frame.data(), 160, 120, strength);
        benchmark::DoNotOptimize(frame.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kPixels);
}

void BM_FrameCopy(benchmark::State& state)
{
    const std::vector<uint32_t> source = sceneLikeFrame();
    std::vector<uint32_t> frame(kPixels);
    for (auto _ : state) {
        std::memcpy(frame.data(), source.data(), kPixels * sizeof(uint32_t));
        benchmark::DoNotOptimize(frame.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kPixels);
}

}  // namespace

BENCHMARK(BM_FrameCopy);
BENCHMARK_TEMPLATE(BM_Streaks, applyLightStreaksScalar)->Arg(0)->Arg(512)->Arg(1024);
BENCHMARK_TEMPLATE(BM_Streaks, applyLightStreaksSimd)->Arg(0)->Arg(32)->Arg(160)->Arg(256)->Arg(512)->Arg(768)->Arg(1024);
