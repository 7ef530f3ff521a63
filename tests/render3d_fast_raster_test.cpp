// The division by magic numbers of the triangle fill, and the scene's partial
// depth clear against the plain fill (the fill's forms are in
// kernel_forms_test.cpp).
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "reference/raster_reference.h"
#include "render3d/camera.h"
#include "render3d/exact_divide.h"
#include "render3d/mesh.h"
#include "render3d/pipeline.h"
#include "render3d/rasterizer.h"
#include "render3d/scene.h"
#include "render3d/scene_node.h"

namespace {

constexpr int32_t kW = 320, kH = 240;

int32_t plainQuotient(int32_t a, int32_t d) { return int32_t(int64_t(a) / d); }

TEST(ExactDivide, MagicNumbersTruncateLikeIntegerDivision)
{
    std::mt19937 rng(5);
    for (int32_t d = 1; d <= kSmallDivisorMax + 3; ++d) {
        // Both ends of the range, and each side of multiples of d spread over
        // it (where a quotient one too large or small would show first).
        std::vector<int32_t> a = {0, 1, -1, INT32_MAX, INT32_MIN, INT32_MIN + 1, INT32_MAX - 1};
        for (int64_t k : {int64_t(1), int64_t(2), int64_t(INT32_MAX) / d, int64_t(INT32_MAX) / d - 1,
                          int64_t(rng() % 1000000)}) {
            for (int64_t off = -1; off <= 1; ++off) {
                const int64_t m = k * d + off;
                if (m <= INT32_MAX) {
                    a.push_back(int32_t(m));
                    a.push_back(int32_t(-m));
                }
            }
        }
        for (int i = 0; i < 2000; ++i)
            a.push_back(int32_t(rng()));
        for (int32_t v : a) {
            if (d <= kSmallDivisorMax) {
                ASSERT_EQ(divideSmall(v, d), plainQuotient(v, d)) << v << " / " << d;
            }
            ASSERT_EQ(divideTruncating(v, d), plainQuotient(v, d)) << v << " / " << d;
            ASSERT_EQ(divideExact(v, d), plainQuotient(v, d)) << v << " / " << d;
        }
    }
    EXPECT_EQ(divideTruncating(-1000000, 100000), -10);
    EXPECT_EQ(divideTruncating(1 << 30, 1 << 20), 1 << 10);
}

// Two quads (four faces) facing the viewer, at a depth and height chosen per
// frame.
std::unique_ptr<Mesh> makeQuads()
{
    auto mesh = std::make_unique<Mesh>();
    mesh->allocate(8, 4);
    const float p[8][3] = {{-4, -1, 0}, {4, -1, 0}, {4, 1, 0}, {-4, 1, 0},
                           {-1, -3, 1}, {1, -3, 1}, {1, 3, 1}, {-1, 3, 1}};
    for (int i = 0; i < 8; ++i)
        mesh->baseVertices[i].position = Vec3(p[i][0], p[i][1], p[i][2]);
    const int32_t f[4][3] = {{0, 1, 2}, {0, 2, 3}, {4, 5, 6}, {4, 6, 7}};
    for (int i = 0; i < 4; ++i) {
        std::copy(f[i], f[i] + 3, mesh->faces[i].indices);
        mesh->faces[i].color[0] = uint8_t(40 * i + 50);
        mesh->faces[i].color[1] = 200;
        mesh->faces[i].color[2] = uint8_t(255 - 30 * i);
    }
    return mesh;
}

TEST(SceneDepthClear, ClearingOnlyTheRowsUsedLeavesWhatAFullClearWould)
{
    std::vector<uint32_t> pixels(size_t(kW) * kH), expected(size_t(kW) * kH);
    Camera camera(Vec3(0, 0, 0));
    Scene scene;
    scene.setCamera(&camera);
    scene.setTarget(pixels.data(), kW, kH);
    SceneNode node;
    node.attachMesh(makeQuads());
    scene.addNode(&node);

    // Frames move the quads up and down the view and ever farther away: a key
    // left over from an earlier frame would be nearer and hide them.
    std::mt19937 rng(3);
    for (int frame = 0; frame < 40; ++frame) {
        node.setPosition(float(int(rng() % 21) - 10), float(int(rng() % 17) - 8), -12.0f - 0.5f * frame);
        node.setRotation(0.0f, 0.0f, 0.1f * frame);
        std::fill(pixels.begin(), pixels.end(), 0x00123456u);
        scene.render();
        ASSERT_GT(std::count_if(pixels.begin(), pixels.end(), [](uint32_t c) { return c != 0x00123456u; }), 100);

        std::vector<uint32_t> depth(size_t(kW) * kH, 0xFFFFFFFFu);
        std::fill(expected.begin(), expected.end(), 0x00123456u);
        node.world.setIdentity();
        node.world.multiply(node.rotation, node.world);
        node.world.setTranslation(node.position.x, node.position.y, node.position.z);
        Mesh& mesh = *node.mesh;
        for (int32_t i = 0; i < mesh.faceCount; ++i) {
            ScreenVertex v[3];
            for (int k = 0; k < 3; ++k) {
                const Vec3 w = node.world.transformPoint(mesh.vertices[mesh.faces[i].indices[k]].position);
                ASSERT_TRUE(projectPoint(w, kW, kH, focalLength(kW), v[k]));
            }
            const uint32_t color = litColor(mesh.faces[i].color, shadeFace(scene.lightDirection, node.world.rotateVector(mesh.faces[i].normal)));
            drawTriangleReference(expected.data(), kW, kH, v, color, depth.data());
        }
        ASSERT_EQ(pixels, expected) << "frame " << frame;
        ASSERT_TRUE(std::equal(depth.begin(), depth.end(), scene.depthBuffer.get())) << "frame " << frame;
        ASSERT_LE(scene.depthRowsUsed.end - scene.depthRowsUsed.first, kH / 2) << "frame " << frame;
    }
}

}  // namespace
