// Cost of one frame of each 3D scene, swept over the scene's time window, and
// its parts: the wobble with its normals, the whole scene render (wobble,
// normals, transform, lighting and rasterizing; subtract the wobble for the
// transform and rasterizer alone), and the streak pass.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "core/frame.h"
#include "effects/spheres/credits_sphere_effect.h"
#include "effects/streaks/light_streaks.h"
#include "effects/spheres/orbit_spheres_effect.h"
#include "render3d/face_kernels.h"
#include "render3d/scene.h"

// The frame the code under test draws into, as the frame loop would pass it.
static Frame frameUnderTest;

namespace {

constexpr int32_t kFrameStepMs = 17;  // about one frame of a 60 Hz display

// Local times cycling through [0, lengthMs) one frame step at a time.
struct Clock {
    int32_t lengthMs;
    int32_t t = 0;
    int32_t next()
    {
        t = (t + kFrameStepMs) % lengthMs;
        return t;
    }
};

// Sends standard output to /dev/null while alive (scene A prints a line per frame).
struct SilentStdout {
    int saved;
    SilentStdout()
    {
        std::fflush(stdout);
        saved = dup(1);
        const int devNull = open("/dev/null", O_WRONLY);
        dup2(devNull, 1);
        close(devNull);
    }
    ~SilentStdout()
    {
        std::fflush(stdout);
        dup2(saved, 1);
        close(saved);
    }
};

void applyModifiers(SceneNode& node)
{
    node.mesh->applyModifiers();
}

OrbitSpheresEffect& sceneA()
{
    static OrbitSpheresEffect effect(0, 21000, 3);
    return effect;
}

// Scene B needs data/credits.raw: the benchmark runs from the build folder,
// where the `data` target writes the default data set. Without it the scene B
// benchmarks are skipped (constructing the effect would end the process).
CreditsSphereEffect* sceneB(benchmark::State& state)
{
    static std::unique_ptr<CreditsSphereEffect> effect;
    if (!effect && std::filesystem::exists("data/credits.raw"))
        effect = std::make_unique<CreditsSphereEffect>(67000, 120000, 2);
    if (!effect)
        state.SkipWithError("data/credits.raw is missing: build the data target first");
    return effect.get();
}

void BM_SceneA_Frame(benchmark::State& state)
{
    OrbitSpheresEffect& effect = sceneA();
    Clock clock{21000};
    SilentStdout silent;
    for (auto _ : state)
        effect.render(frameUnderTest, clock.next());
}

void BM_SceneA_WobbleAndNormals(benchmark::State& state)
{
    OrbitSpheresEffect& effect = sceneA();
    Clock clock{21000};
    for (auto _ : state) {
        effect.animate(float(clock.next()));
        applyModifiers(*effect.core);
        for (auto& satellite : effect.satellites)
            applyModifiers(*satellite);
    }
}

void BM_SceneA_SceneRender(benchmark::State& state)
{
    OrbitSpheresEffect& effect = sceneA();
    Clock clock{21000};
    for (auto _ : state) {
        effect.animate(float(clock.next()));
        std::fill_n(frameUnderTest.framebuffer, kFramePixels, 0xFFFFFFFFu);
        effect.scene->render();
    }
}

void BM_SceneA_Streaks(benchmark::State& state)
{
    Clock clock{21000};
    for (auto _ : state) {
        const double t = float(clock.next());
        applyLightStreaks(frameUnderTest.framebuffer, int32_t(235.0 + 30.0 * std::sin(0.001 * t)),
                          int32_t(65.0 + 30.0 * std::sin(0.001 * t)),
                          int32_t((std::sin(0.0025 * t) + 1.0) * 256.0));
    }
}

void BM_SceneB_Frame(benchmark::State& state)
{
    CreditsSphereEffect* scene = sceneB(state);
    if (!scene)
        return;
    CreditsSphereEffect& effect = *scene;
    Clock clock{53000};
    for (auto _ : state) {
        effect.render(frameUnderTest, clock.next());
        ++frameUnderTest.frameCounter;
    }
}

void BM_SceneB_WobbleAndNormals(benchmark::State& state)
{
    CreditsSphereEffect* scene = sceneB(state);
    if (!scene)
        return;
    CreditsSphereEffect& effect = *scene;
    Clock clock{53000};
    for (auto _ : state) {
        effect.animate(float(clock.next()));
        applyModifiers(*effect.sphere);
    }
}

void BM_SceneB_SceneRender(benchmark::State& state)
{
    CreditsSphereEffect* scene = sceneB(state);
    if (!scene)
        return;
    CreditsSphereEffect& effect = *scene;
    Clock clock{53000};
    for (auto _ : state) {
        effect.animate(float(clock.next()));
        effect.scene->render();
    }
}

// One fixed moment, music time 100 s, where the sphere is large: the cost the
// whole-program figures for 90-120 s are made of.
void BM_SceneB_SceneRenderAt100s(benchmark::State& state)
{
    CreditsSphereEffect* scene = sceneB(state);
    if (!scene)
        return;
    CreditsSphereEffect& effect = *scene;
    effect.animate(float(100000 - 67000));
    for (auto _ : state)
        effect.scene->render();
}

// Scene B's sphere posed for music time 100 s, its world matrix made as the
// scene's render makes it, and the camera (at the origin) in its object space.
struct PosedSphere {
    SceneNode& node;
    Mesh& mesh;
    Vec3 viewer;
};

PosedSphere sphereAt100s(CreditsSphereEffect& effect)
{
    effect.animate(float(100000 - 67000));
    SceneNode& node = *effect.sphere;
    node.world.setIdentity();
    node.world.multiply(node.rotation, node.world);
    node.world.setTranslation(node.position.x, node.position.y, node.position.z);
    return {node, *node.mesh,
            node.world.inverseRotateVector(Vec3(-node.position.x, -node.position.y, -node.position.z))};
}

// Each face kernel and the triangle fill alone on scene B's sphere at 100 s
// (after one wobble), in the plain form (second argument 0) or the SIMD form
// at the target the program dispatches to (1): 0 normals (with the facing
// test where the form does both), 1 projection, 2 facing test alone,
// 3 shading, 4 the drawn faces' triangles on a cleared depth buffer.
void BM_SceneB_FaceKernelAt100s(benchmark::State& state)
{
    CreditsSphereEffect* scene = sceneB(state);
    if (!scene)
        return;
    const auto [node, mesh, viewer] = sphereAt100s(*scene);
    const Vec3 light(0.0f, 0.0f, -1.0f);
    applyModifiers(node);
    const Vertex* v = mesh.vertices;
    Face* faces = mesh.faces.get();
    projectVertices(node.world, v, mesh.vertexCount, 320, 240, 160.0f, mesh.projected.data(),
                    mesh.projectedValid.data());
    const int32_t drawn = selectFaces(v, faces, mesh.faceCount, viewer, nullptr, mesh.drawList.data());
    const int32_t kind = int32_t(state.range(0));
    const SimdForm form = state.range(1) ? simdForm() : SimdForm::Plain;
    std::vector<uint32_t> depth(kFramePixels);
    for (auto _ : state) {
        int32_t r = 0;
        switch (kind) {
        case 0:
            r = computeNormalsBatch(v, faces, mesh.faceCount, &viewer, mesh.facing.data(), form);
            break;
        case 1:
            r = projectVertices(node.world, v, mesh.vertexCount, 320, 240, 160.0f, mesh.projected.data(),
                                mesh.projectedValid.data(), form);
            break;
        case 2:
            r = selectFaces(v, faces, mesh.faceCount, viewer, nullptr, mesh.drawList.data(), form);
            break;
        case 3:
            shadeFaces(faces, mesh.drawList.data(), drawn, node.world, light, 1.0, mesh.drawShade.data(),
                       mesh.drawShadeSure.data(), form);
            break;
        default:
            std::fill(depth.begin(), depth.end(), 0xFFFFFFFFu);
            for (int32_t k = 0; k < drawn; ++k) {
                const int32_t* corner = faces[mesh.drawList[size_t(k)]].indices;
                ScreenVertex screen[3] = {mesh.projected[size_t(corner[0])], mesh.projected[size_t(corner[1])],
                                          mesh.projected[size_t(corner[2])]};
                drawTriangle(frameUnderTest.framebuffer, 320, 240, screen, 0x00808080u + uint32_t(k), depth.data(),
                             nullptr, form);
            }
            break;
        }
        benchmark::DoNotOptimize(r);
        benchmark::ClobberMemory();
    }
}

}  // namespace

BENCHMARK(BM_SceneB_FaceKernelAt100s)
    ->ArgsProduct({{0, 1, 2, 3, 4}, {0, 1}})
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_SceneA_Frame)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_SceneA_WobbleAndNormals)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_SceneA_SceneRender)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_SceneA_Streaks)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_SceneB_Frame)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_SceneB_WobbleAndNormals)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_SceneB_SceneRender)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_SceneB_SceneRenderAt100s)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
