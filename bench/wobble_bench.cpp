// The wobble's vertex arithmetic over a sphere of the scenes' size, in the
// plain form and the SIMD one (at the best target the processor has).
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "effects/spheres/wobble_kernels.h"

namespace {

void wobble(benchmark::State& state, SimdForm form)
{
    constexpr int32_t kCount = 2000;
    std::mt19937 random(1);
    std::uniform_real_distribution<float> coordinate(-7.0f, 7.0f);
    std::vector<Vertex> in(kCount), out(kCount);
    std::vector<double> tables[6];
    for (Vertex& v : in) {
        v.position = Vec3(coordinate(random), coordinate(random), coordinate(random));
        const double x = v.position.x, y = v.position.y, z = v.position.z;
        const double angles[3] = {3.0 * std::atan2(z, y), 3.0 * std::atan2(x, z), 3.0 * std::atan2(x, y)};
        for (int k = 0; k < 3; ++k) {
            tables[2 * k].push_back(std::sin(angles[k]));
            tables[2 * k + 1].push_back(std::cos(angles[k]));
        }
    }
    const WobbleBasis basis{tables[0].data(), tables[1].data(), tables[2].data(),
                            tables[3].data(), tables[4].data(), tables[5].data()};
    float phase = 0.0f;
    for (auto _ : state) {
        wobbleVertices(wobbleFrame(phase, 0.18f, 3), basis, in.data(), out.data(), kCount, form);
        benchmark::DoNotOptimize(out.data());
        phase += 0.1f;
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK_CAPTURE(wobble, WobbleSimd, SimdForm::Simd);
BENCHMARK_CAPTURE(wobble, WobblePlain, SimdForm::Plain);

}  // namespace
