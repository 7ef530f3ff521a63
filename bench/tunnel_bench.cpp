// The tunnel per frame, and its two halves: tracing the 41 x 31 grid nodes
// (trigonometry per node) and filling the 8 x 8 blocks (integer steps and one
// texture read per pixel). The eye moves and turns as in the demo.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "effects/tunnel/tunnel_axis_trace.h"
#include "effects/tunnel/tunnel_fill.h"
#include "effects/tunnel/tunnel_mapper.h"

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

// The on-axis tracer's two forms on their own (traceNodes picks one).
using Tracer = void (*)(const Vec3*, const Matrix4&, int32_t, double, const Vec3&, TunnelNode*);
template <Tracer trace>
void BM_TunnelTraceOnAxis(benchmark::State& state)
{
    TunnelSetup s;
    int32_t localMs = 1;
    const int32_t count = 41 * 31;
    for (auto _ : state) {
        s.moveTo(localMs);
        trace(s.mapper.directions.get(), s.mapper.rotation, count, std::sin(0.004 * localMs), s.mapper.position,
              s.mapper.nodes.get());
        benchmark::DoNotOptimize(s.mapper.nodes.get());
        localMs = localMs % 59899 + 17;
    }
}
BENCHMARK(BM_TunnelTraceOnAxis<traceOnAxisPlain>)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TunnelTraceOnAxis<traceOnAxisSimd>)->Unit(benchmark::kMillisecond);

// The block-row fill's two forms on their own.
using RowFill = void (*)(uint32_t*, int32_t, const TunnelNode*, const TunnelNode*, int32_t, const uint32_t*);
template <RowFill fill>
void BM_TunnelFillRows(benchmark::State& state)
{
    TunnelSetup s;
    s.moveTo(12345);
    s.mapper.traceNodes(4 * 12345);
    for (auto _ : state) {
        for (int32_t i = 0; i < 30; ++i)
            fill(s.target.data() + i * 8 * 320, 320, &s.mapper.node(i, 0), &s.mapper.node(i + 1, 0), 40,
                 s.texture.data());
        benchmark::DoNotOptimize(s.target.data());
    }
}
BENCHMARK(BM_TunnelFillRows<fillBlockRow8Plain>)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TunnelFillRows<fillBlockRow8Simd>)->Unit(benchmark::kMillisecond);

}  // namespace
