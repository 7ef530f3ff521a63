// The blends over one whole frame (76800 pixels), SIMD and plain, against a
// plain copy of the same buffer as the floor of what a pass can cost.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "pixel/blend_kernels.h"

namespace {

constexpr int kPixels = 320 * 240;

struct BlendBuffers {
    std::vector<uint32_t> dst, src;
    BlendBuffers() : dst(kPixels), src(kPixels) {
        std::mt19937 rng(42);
        for (int i = 0; i < kPixels; ++i) {
            dst[i] = rng();
            src[i] = rng();
        }
    }
};

template <typename Kernel>
void runPass(benchmark::State& state, Kernel kernel) {
    BlendBuffers b;
    for (auto _ : state) {
        kernel(b.dst.data(), b.src.data());
        benchmark::DoNotOptimize(b.dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * int64_t(kPixels) * 4);
}

void BM_FrameMemcpy(benchmark::State& state) {
    runPass(state, [](uint32_t* d, const uint32_t* s) { std::memcpy(d, s, kPixels * sizeof(uint32_t)); });
}

void BM_SubtractScalar(benchmark::State& state) {
    runPass(state, [](uint32_t* d, const uint32_t* s) { subtractPixelsScalar(d, s, kPixels); });
}

void BM_CrossFadeScalar(benchmark::State& state) {
    runPass(state, [](uint32_t* d, const uint32_t* s) { crossFadePixelsScalar(d, s, kPixels, 128); });
}

BENCHMARK(BM_FrameMemcpy);
BENCHMARK(BM_SubtractScalar);
BENCHMARK(BM_CrossFadeScalar);

void BM_SubtractSimd(benchmark::State& state) {
    runPass(state, [](uint32_t* d, const uint32_t* s) { subtractPixelsSimd(d, s, kPixels); });
}

void BM_CrossFadeSimd(benchmark::State& state) {
    runPass(state, [](uint32_t* d, const uint32_t* s) { crossFadePixelsSimd(d, s, kPixels, 128); });
}

BENCHMARK(BM_SubtractSimd);
BENCHMARK(BM_CrossFadeSimd);

}  // namespace
