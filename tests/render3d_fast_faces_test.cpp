// The fast arc cosine, shades at whole steps, and the batched mesh render
// against the plain one (every form of the face kernels against the
// per-face functions: kernel_forms_test.cpp).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "render3d/camera.h"
#include "render3d/face_kernels.h"
#include "render3d/fast_acos.h"
#include "render3d/pipeline.h"
#include "render3d/rasterizer.h"
#include "render3d/scene.h"
#include "render3d/scene_node.h"

#include "reference/mesh_reference.h"
#include "test_meshes.h"
#include "test_support.h"

namespace {

constexpr int kW = 320, kH = 240;

using testsupport::sameBits;
using testsupport::TestMesh;

// Cosines at and next to the places where the arc cosine is hardest or
// where the reduction switches: +-1, +-0.5, 0, and the cosines of whole
// shades (where the scaled angle is a whole number).
std::vector<double> adversarialCosines()
{
    std::vector<double> q = {0.0, -0.0, 1e-300, -1e-300};
    for (double base : {1.0, -1.0, 0.5, -0.5}) {
        double up = base, down = base;
        for (int i = 0; i < 50; ++i) {
            q.push_back(up);
            q.push_back(down);
            up = std::nextafter(up, 2.0);
            down = std::nextafter(down, -2.0);
        }
    }
    for (int j = 0; j <= 255; ++j)
        for (double d : {-1e-15, 0.0, 1e-15})
            q.push_back(std::cos(j / kShadePerRadian) + d);
    std::vector<double> inRange;
    for (double v : q)
        if (v >= -1.0 && v <= 1.0)
            inRange.push_back(v);
    return inRange;
}

TEST(FastAcos, StaysWithinItsBound)
{
    std::vector<double> q = adversarialCosines();
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> any(-1.0, 1.0);
    for (int i = 0; i < 200000; ++i)
        q.push_back(any(rng));
    for (int i = 1; i <= 60; ++i)
        q.push_back(1.0 - std::ldexp(1.0, -i)), q.push_back(-1.0 + std::ldexp(1.0, -i));

    double worst = 0.0;
    for (double v : q)
        worst = std::max(worst, std::fabs(fastAcos(v) - std::acos(v)));
    // Measured against the library (itself within a few units in the last
    // place): the callers' bound has a factor of 4 to spare over 2^-48.
    EXPECT_LE(worst, 0x1p-48);
    RecordProperty("worst_error_log2", std::to_string(std::log2(worst)));
}

// Normals whose shade angle is exactly, or within rounding of, a whole
// number of shade steps: the fast shade must step aside (not sure) or agree.
TEST(FaceKernels, ShadesAtWholeStepsAreExactOrLeftToTheLibrary)
{
    std::vector<Face> faces;
    for (int j = 0; j <= 255; ++j)
        for (double d : {-2e-16, 0.0, 2e-16}) {
            const double q = std::cos(j / kShadePerRadian) + d;
            if (q < -1.0 || q > 1.0)
                continue;
            Face face{{0, 0, 0}, {255, 255, 255}, Vec3(float(std::sqrt(1 - q * q)), 0.0f, float(-q))};
            faces.push_back(face);
        }
    Matrix4 identity;
    identity.setIdentity();
    std::vector<int32_t> list(faces.size());
    for (size_t i = 0; i < faces.size(); ++i)
        list[i] = int32_t(i);
    std::vector<uint8_t> shade(faces.size()), sure(faces.size());
    const Vec3 light(0, 0, -1);
    shadeFaces(faces.data(), list.data(), int32_t(faces.size()), identity, light, 1.0, shade.data(), sure.data());
    int unsure = 0;
    for (size_t i = 0; i < faces.size(); ++i) {
        const uint8_t expected = shadeFromCosine(shadeCosine(identity.rotateVector(faces[i].normal), light, 1.0));
        if (sure[i])
            EXPECT_EQ(shade[i], expected) << i;
        else
            ++unsure;
    }
    EXPECT_LT(unsure, int(faces.size()));  // most are still sure: the band is narrow
}

// A per-frame deformer for the render test: scales the current vertices
// about the origin.
class StretchModifier : public VertexModifier {
public:
    float scale = 1.0f;
    void apply() override
    {
        for (int32_t i = 0; i < mesh->vertexCount; ++i) {
            const Vec3& p = mesh->vertices[i].position;
            output[i].position = Vec3(p.x * scale, p.y, p.z * (2.0f - scale));
        }
        mesh->vertices = output.get();
    }
};

// A scene of several of these meshes, some deformed every frame, drawn by
// the batched render and by the plain per-face render: same pixels, same
// depth buffer, same light left behind, for the default light and for an
// oblique one.
TEST(MeshRender, BatchedRenderDrawsTheSameBytesAsThePlainOne)
{
    std::mt19937 rng(31);
    std::vector<uint32_t> pixels(kW * kH), pixels2(kW * kH);
    Camera camera(Vec3(0, 0, 0));
    Scene scene;
    scene.setCamera(&camera);
    scene.setTarget(pixels.data(), kW, kH);
    std::vector<std::unique_ptr<SceneNode>> nodes;
    // Node 1 has one stretch, node 3 two chained, node 4 one.
    StretchModifier stretches[4];
    for (int k = 0; k < 5; ++k) {
        TestMesh t(rng, 9 + 4 * k);
        if (k == 1)
            t.mesh->addModifier(&stretches[0]);
        if (k == 3)
            t.mesh->addModifier(&stretches[1]), t.mesh->addModifier(&stretches[2]);
        if (k == 4)
            t.mesh->addModifier(&stretches[3]);
        auto node = std::make_unique<SceneNode>();
        node->attachMesh(std::move(t.mesh));
        scene.addNode(node.get());
        nodes.push_back(std::move(node));
    }
    std::uniform_real_distribution<float> angle(-7.0f, 7.0f), offset(-25.0f, 25.0f);
    for (int frame = 0; frame < 30; ++frame) {
        for (auto& node : nodes) {
            node->setRotation(angle(rng), angle(rng), angle(rng));
            node->setPosition(offset(rng), offset(rng), frame == 7 ? 2.0f : -45.0f + offset(rng));
        }
        const Vec3 light = frame % 3 == 2 ? Vec3(0.3f, -0.5f, -0.8f) : Vec3(0.0f, 0.0f, -1.0f);
        for (StretchModifier& m : stretches)
            m.scale = 0.6f + 0.05f * float(frame % 17);

        scene.lightDirection = light;
        std::fill(pixels.begin(), pixels.end(), 0xFFFFFFFFu);
        scene.setTarget(pixels.data(), kW, kH);
        scene.render();
        const std::vector<uint32_t> depth(scene.depthBuffer.get(), scene.depthBuffer.get() + kW * kH);
        const Vec3 lightAfter = scene.lightDirection;

        scene.lightDirection = light;
        std::fill(pixels2.begin(), pixels2.end(), 0xFFFFFFFFu);
        scene.setTarget(pixels2.data(), kW, kH);
        std::fill_n(scene.depthBuffer.get(), kW * kH, 0xFFFFFFFFu);
        for (SceneNode* node = scene.nodes.first(); node; node = scene.nodes.next()) {
            node->world.setIdentity();
            node->world.multiply(node->rotation, node->world);
            node->world.setTranslation(node->position.x, node->position.y, node->position.z);
            renderMeshReference(*node->mesh);
        }
        ASSERT_EQ(pixels, pixels2) << "frame " << frame;
        if (frame != 7) {  // frame 7 puts every node around the viewer: little or nothing shows
            ASSERT_GT(std::count_if(pixels.begin(), pixels.end(), [](uint32_t p) { return p != 0xFFFFFFFFu; }), 2000);
        }
        ASSERT_EQ(std::memcmp(depth.data(), scene.depthBuffer.get(), sizeof(uint32_t) * kW * kH), 0) << frame;
        ASSERT_TRUE(sameBits(lightAfter, scene.lightDirection)) << frame;
    }
}
}  // namespace
