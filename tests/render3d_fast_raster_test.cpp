// The fast triangle fill against the plain one: the division by magic
// numbers, every span fill (plain, SSE2, AVX2) on every span length and
// position, whole triangles (clipped, crossing edges, near the fixed-point
// limit), the rows reported as touched, and the scene's partial depth clear.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "render3d/camera.h"
#include "render3d/exact_divide.h"
#include "render3d/mesh.h"
#include "render3d/pipeline.h"
#include "render3d/raster_kernels.h"
#include "render3d/rasterizer.h"
#include "render3d/scene.h"
#include "render3d/scene_node.h"
#include "render3d/span_kernels.h"

namespace {

constexpr int32_t kW = 320, kH = 240;

std::vector<RasterKernel> fastKernels()
{
    std::vector<RasterKernel> kernels;
    for (RasterKernel k : {RasterKernel::Plain, RasterKernel::Sse2, RasterKernel::Avx2})
        if (rasterKernelUsable(k))
            kernels.push_back(k);
    return kernels;
}

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

// Keys stored along a row: around the span's own keys (so the depth test
// goes both ways, with exact ties), plus the cleared value and extremes.
void randomRow(std::mt19937& rng, std::vector<uint32_t>& pixels, std::vector<uint32_t>& keys, uint32_t z,
               uint32_t dz, int32_t xl)
{
    for (size_t x = 0; x < keys.size(); ++x) {
        pixels[x] = rng();
        const uint32_t own = uint32_t(int32_t(z + uint32_t(int32_t(x) - xl) * dz) >> 8);
        switch (rng() % 6) {
        case 0: keys[x] = own; break;
        case 1: keys[x] = own + 1; break;
        case 2: keys[x] = own - 1; break;
        case 3: keys[x] = 0xFFFFFFFFu; break;
        case 4: keys[x] = rng() % 2 ? 0u : 0x80000000u; break;
        default: keys[x] = rng(); break;
        }
    }
}

TEST(SpanFill, EveryKernelMatchesThePlainLoopOnEveryLengthAndPosition)
{
    std::mt19937 rng(7);
    for (RasterKernel kernel : fastKernels()) {
        for (int32_t width : {kW, 1, 7, 8, 9, 15, 16, 17, 33}) {
            std::vector<uint32_t> pixels(size_t(width) + 16), keys(pixels.size());
            for (int32_t xl = 0; xl < width; ++xl) {
                for (int32_t n = 1; xl + n <= width; ++n) {
                    // Depths across the signed range, steps either way; some
                    // spans start just below the top of a signed 32-bit value,
                    // so their keys wrap from largest positive to negative.
                    uint32_t z = rng();
                    if (n % 3 == 0)
                        z = 0x7FFFFF00u - uint32_t(rng() % 4096);
                    const uint32_t dz = rng() % 4 == 0 ? rng() : uint32_t(int32_t(rng() % 200001) - 100000);
                    const uint32_t color = rng();
                    randomRow(rng, pixels, keys, z, dz, xl);
                    std::vector<uint32_t> pixels2 = pixels, keys2 = keys;
                    // Guard words past the row: no kernel may touch them.
                    fillSpanWith(kernel, pixels.data(), keys.data(), width, xl, n, z, dz, color);
                    fillSpanScalar(pixels2.data() + xl, keys2.data() + xl, n, z, dz, color);
                    ASSERT_EQ(pixels, pixels2) << int(kernel) << " width " << width << " at " << xl << " n " << n;
                    ASSERT_EQ(keys, keys2) << int(kernel) << " width " << width << " at " << xl << " n " << n;
                }
            }
        }
    }
}

struct Buffers {
    std::vector<uint32_t> pixels, depth;
    explicit Buffers(std::mt19937& rng) : pixels(size_t(kW) * kH), depth(size_t(kW) * kH)
    {
        // A depth buffer already drawn into: keys in the range the triangles
        // use, some cleared.
        for (size_t i = 0; i < depth.size(); ++i) {
            pixels[i] = uint32_t(i);
            depth[i] = rng() % 3 == 0 ? 0xFFFFFFFFu : 0xFFC00000u + (rng() & 0x3FFFFF);
        }
    }
};

// Triangles of every kind the fill must agree on.
void randomTriangle(std::mt19937& rng, int kind, ScreenVertex v[3])
{
    std::uniform_int_distribution<int32_t> key(-4000000, -100000);
    const auto around = [&](int32_t cx, int32_t cy, int32_t spread) {
        for (int k = 0; k < 3; ++k)
            v[k] = ScreenVertex{cx + int32_t(rng() % (2 * spread + 1)) - spread,
                                cy + int32_t(rng() % (2 * spread + 1)) - spread, key(rng)};
    };
    switch (kind) {
    case 0:  // small, like a mesh's faces
        around(int32_t(rng() % kW), int32_t(rng() % kH), 12);
        break;
    case 1:  // reaching over the edges of the target on every side
        around(int32_t(rng() % (kW + 200)) - 100, int32_t(rng() % (kH + 200)) - 100, 150);
        break;
    case 2:  // thin slivers, whose truncated edges can cross
        around(int32_t(rng() % kW), int32_t(rng() % kH), 40);
        v[1].x = v[0].x + int32_t(rng() % 3) - 1;
        v[2].x = v[0].x + int32_t(rng() % 5) - 2;
        break;
    case 3:  // shared rows: flat tops and bottoms
        around(int32_t(rng() % kW), int32_t(rng() % kH), 30);
        v[rng() % 3].y = v[rng() % 3].y;
        break;
    case 4:  // wide, near the fixed-point limit (some beyond it); now and then tall too
        around(0, 120, 4200000);
        for (int k = 0; k < 3; ++k) {
            if (rng() % 50 != 0)
                v[k].y = v[k].y / 10000;
            v[k].depth = -100000 - int32_t(rng() % 200000);  // far: they must not cover everything
        }
        break;
    default:  // far outside the target, or with depth keys of either sign
        around(int32_t(rng() % 4000) - 2000, int32_t(rng() % 4000) - 2000, 60);
        if (rng() % 2)
            for (int k = 0; k < 3; ++k)
                v[k].depth = -v[k].depth;
        break;
    }
}

TEST(TriangleFill, EveryKernelDrawsThePlainFillsPixelsDepthsAndOrder)
{
    std::mt19937 rng(13);
    Buffers start(rng);
    // Each usable kernel, then drawTriangle's own choice (marked -1).
    std::vector<int> runs;
    for (RasterKernel kernel : fastKernels())
        runs.push_back(int(kernel));
    runs.push_back(-1);
    for (int run : runs) {
        Buffers fast = start, plain = start;
        int drawing = 0;  // triangles that changed some pixel
        for (int i = 0; i < 4000; ++i) {
            ScreenVertex v[3], w[3];
            randomTriangle(rng, i % 6, v);
            std::copy(v, v + 3, w);
            const uint32_t color = rng();
            RowRange touched{kH, 0};
            const std::vector<uint32_t> before = fast.depth;
            if (run < 0)
                drawTriangle(fast.pixels.data(), kW, kH, v, color, fast.depth.data(), &touched);
            else
                drawTriangleWith(RasterKernel(run), fast.pixels.data(), kW, kH, v, color, fast.depth.data(), &touched);
            drawTriangleReference(plain.pixels.data(), kW, kH, w, color, plain.depth.data());
            for (int k = 0; k < 3; ++k)
                ASSERT_TRUE(v[k].x == w[k].x && v[k].y == w[k].y && v[k].depth == w[k].depth) << i;
            ASSERT_EQ(fast.pixels, plain.pixels) << "kernel " << run << " triangle " << i;
            ASSERT_EQ(fast.depth, plain.depth) << "kernel " << run << " triangle " << i;
            drawing += before != fast.depth;
            for (int32_t y = 0; y < kH; ++y) {
                const bool changed = !std::equal(before.begin() + y * kW, before.begin() + (y + 1) * kW,
                                                 fast.depth.begin() + y * kW);
                ASSERT_TRUE(!changed || (y >= touched.first && y < touched.end)) << i << " row " << y;
            }
        }
        EXPECT_GT(drawing, 600) << "kernel " << run;
    }
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
