// Row converters over a whole 320 x 240 frame, the SIMD form (at the best
// target the processor has) and the plain one, against a plain memcpy of the
// frame's 307200 bytes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "platform/row_converters.h"
#include "platform/row_converters_kernels.h"

namespace {

constexpr int kWidth = 320, kHeight = 240;

const std::vector<uint32_t>& sourceFrame()
{
    static const std::vector<uint32_t> frame = [] {
        std::vector<uint32_t> pixels(kWidth * kHeight);
        std::mt19937 random(1);
        for (uint32_t& p : pixels)
            p = random() & 0xFFFFFF;
        return pixels;
    }();
    return frame;
}

void convertFrame(benchmark::State& state, RowConverter converter, int bytesPerPixel)
{
    const std::vector<uint32_t>& source = sourceFrame();
    const int pitch = kWidth * bytesPerPixel;
    std::vector<uint8_t> target(static_cast<size_t>(pitch) * kHeight);
    for (auto _ : state) {
        for (int y = 0; y < kHeight; ++y)
            converter(&source[y * kWidth], &target[static_cast<size_t>(y) * pitch], kWidth);
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kWidth * kHeight * 4);
}

void BM_Converters_Memcpy(benchmark::State& state)
{
    const std::vector<uint32_t>& source = sourceFrame();
    std::vector<uint8_t> target(source.size() * 4);
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), target.size());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kWidth * kHeight * 4);
}
BENCHMARK(BM_Converters_Memcpy);

BENCHMARK_CAPTURE(convertFrame, Converters_Rgb32Simd, convertRgb32Simd, 4);
BENCHMARK_CAPTURE(convertFrame, Converters_Rgb32Scalar, convertRgb32Scalar, 4);
BENCHMARK_CAPTURE(convertFrame, Converters_Rgb24Simd, convertRgb24Simd, 3);
BENCHMARK_CAPTURE(convertFrame, Converters_Rgb24Scalar, convertRgb24Scalar, 3);
BENCHMARK_CAPTURE(convertFrame, Converters_Rgb565Simd, convertRgb565Simd, 2);
BENCHMARK_CAPTURE(convertFrame, Converters_Rgb565Scalar, convertRgb565Scalar, 2);
BENCHMARK_CAPTURE(convertFrame, Converters_Bgr565Simd, convertBgr565Simd, 2);
BENCHMARK_CAPTURE(convertFrame, Converters_Bgr565Scalar, convertBgr565Scalar, 2);
BENCHMARK_CAPTURE(convertFrame, Converters_Rgb555Simd, convertRgb555Simd, 2);
BENCHMARK_CAPTURE(convertFrame, Converters_Rgb555Scalar, convertRgb555Scalar, 2);
BENCHMARK_CAPTURE(convertFrame, Converters_Bgr555Simd, convertBgr555Simd, 2);
BENCHMARK_CAPTURE(convertFrame, Converters_Bgr555Scalar, convertBgr555Scalar, 2);
BENCHMARK_CAPTURE(convertFrame, Converters_Bgr32, convertBgr32, 4);
BENCHMARK_CAPTURE(convertFrame, Converters_Bgr24, convertBgr24, 3);

}  // namespace
