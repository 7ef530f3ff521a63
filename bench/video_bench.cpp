// The video effect's two costs: the swirl warp, paid every displayed frame,
// and decoding one video frame, paid once per 45 ms. The decode benchmark
// reads "data/quarnel.avi" from the working directory (the build folder
// after `make data`) and reports the picture memory the reader holds
// (its own buffers; the decoder's internal frame pool is not counted).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <vector>

#include "core/data_path.h"
#include "core/frame.h"
#include "effects/video/swirl_warp.h"
#include "effects/video/video_effect.h"
#include "media/video_reader.h"

// The frame the code under test draws into, as the frame loop would pass it.
static Frame frameUnderTest;

namespace {

// The warp's rows in the plain form and the SIMD one (at the best target
// the processor has), over the frames the effect shows.
void videoWarp(benchmark::State& state, SimdForm form)
{
    std::mt19937 random(1);
    std::vector<uint32_t> picture(kFramePixels);
    for (uint32_t& p : picture)
        p = random() & 0xFFFFFF;
    int32_t localMs = 1000;
    for (auto _ : state) {
        swirlRows(swirlFrame(localMs), picture.data(), frameUnderTest.framebuffer, 0, kFrameHeight, form);
        benchmark::DoNotOptimize(frameUnderTest.framebuffer[0]);
        localMs = localMs >= 39000 ? 1000 : localMs + 17;
    }
    state.SetItemsProcessed(state.iterations() * kFramePixels);
}
BENCHMARK_CAPTURE(videoWarp, VideoWarpSimd, SimdForm::Simd)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(videoWarp, VideoWarpPlain, SimdForm::Plain)->Unit(benchmark::kMillisecond);

// The literal per-pixel warp (an arc tangent, a sine and a cosine a pixel)
// that the fast kernels match byte for byte.
void BM_VideoWarpReference(benchmark::State& state)
{
    std::vector<uint32_t> picture(kFramePixels, 0x123456);
    int32_t localMs = 1000;
    for (auto _ : state) {
        warpSwirlExact(picture.data(), frameUnderTest.framebuffer, localMs);
        benchmark::DoNotOptimize(frameUnderTest.framebuffer[0]);
        localMs = localMs >= 39000 ? 1000 : localMs + 17;
    }
    state.SetItemsProcessed(state.iterations() * kFramePixels);
}
BENCHMARK(BM_VideoWarpReference)->Unit(benchmark::kMillisecond);

// One new frame per iteration, in order and wrapping, as the effect asks.
void BM_VideoDecodeFrame(benchmark::State& state)
{
    const std::string path = dataPath("quarnel.avi");
    if (!std::filesystem::exists(path)) {
        state.SkipWithError("data/quarnel.avi is missing: run from the build folder after `make data`");
        return;
    }
    VideoReader reader;
    if (reader.open(path, kFrameWidth, kFrameHeight) != VideoReader::OpenResult::ok) {
        state.SkipWithError("cannot open data/quarnel.avi");
        return;
    }
    uint32_t n = 0;
    std::vector<uint32_t> pixels(kFramePixels);
    for (auto _ : state) {
        if (const uint8_t* bitmap = reader.frame(n))
            convertBottomUpBgr(bitmap, reader.rowBytes(), kFrameWidth, kFrameHeight, pixels.data());
        benchmark::DoNotOptimize(pixels[0]);
        n = (n + 1) % reader.frameCount();
    }
    state.counters["reader_bytes"] = static_cast<double>(reader.memoryBytes());
    state.counters["frames_in_file"] = reader.frameCount();
}
BENCHMARK(BM_VideoDecodeFrame)->Unit(benchmark::kMillisecond);

}  // namespace
