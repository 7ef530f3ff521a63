// The tunnel per frame, and its two halves: tracing the 41 x 31 grid nodes
// (trigonometry per node) and filling the 8 x 8 blocks (integer steps and one
// texture read per pixel). The eye moves and turns as in the demo.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "effects/tunnel_mapper.h"

namespace {

struct TunnelSetup {
    std::vector<uint32_t> texture;
    std::vector<uint32_t> target;
    TunnelMapper mapper;

    TunnelSetup() : texture(256 * 256), target(320 * 240), mapper(320, 240, nullptr, 8)
    {
        for (uint32_t i = 0; i < texture.size(); ++i)
            texture[i] = i * 2654435761u >> 8;
        mapper.texture = texture.data();
    }

    // The motion of the demo at localMs.
    void moveTo(int32_t localMs)
    {
        const float t = float(localMs);
        mapper.setPosition(0, 0, 0.08f * t);
        mapper.setRotation(0.00012f * t, 0.0007f * t, 0.00083f * t);
    }
};

void BM_TunnelFrame(benchmark::State& state)
{
    TunnelSetup s;
    int32_t localMs = 1;
    for (auto _ : state) {
        s.moveTo(localMs);
        s.mapper.render(s.target.data(), 4 * localMs);
        benchmark::DoNotOptimize(s.target.data());
        localMs = localMs % 59899 + 17;
    }
}
BENCHMARK(BM_TunnelFrame)->Unit(benchmark::kMillisecond);

void BM_TunnelTraceNodes(benchmark::State& state)
{
    TunnelSetup s;
    int32_t localMs = 1;
    for (auto _ : state) {
        s.moveTo(localMs);
        s.mapper.traceNodes(4 * localMs);
        benchmark::DoNotOptimize(s.mapper.nodes.get());
        localMs = localMs % 59899 + 17;
    }
}
BENCHMARK(BM_TunnelTraceNodes)->Unit(benchmark::kMillisecond);

// The literal node tracing that traceNodes matches exactly.
void BM_TunnelTraceNodesReference(benchmark::State& state)
{
    TunnelSetup s;
    int32_t localMs = 1;
    for (auto _ : state) {
        s.moveTo(localMs);
        s.mapper.traceNodesReference(4 * localMs);
        benchmark::DoNotOptimize(s.mapper.nodes.get());
        localMs = localMs % 59899 + 17;
    }
}
BENCHMARK(BM_TunnelTraceNodesReference)->Unit(benchmark::kMillisecond);

void BM_TunnelFillBlocks(benchmark::State& state)
{
    TunnelSetup s;
    s.moveTo(12345);
    s.mapper.traceNodes(4 * 12345);
    for (auto _ : state) {
        s.mapper.fillBlocks(s.target.data());
        benchmark::DoNotOptimize(s.target.data());
    }
}
BENCHMARK(BM_TunnelFillBlocks)->Unit(benchmark::kMillisecond);

}  // namespace
