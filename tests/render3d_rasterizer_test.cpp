// The depth test and the guard against values too large for 24.8 fixed point
// (the fill's rows and columns: the plain reference in kernel_forms_test.cpp
// and the golden frames).
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "reference/raster_reference.h"
#include "render3d/rasterizer.h"

namespace {

constexpr uint32_t kInk = 0x00FF0000;
constexpr int32_t kNear = -1000;  // a depth key of a point in front of the viewer

struct Target {
    int width, height;
    std::vector<uint32_t> pixels, depth;

    Target(int w, int h) : width(w), height(h), pixels(size_t(w) * h, 0), depth(size_t(w) * h, ~0u) {}
    long inked() const { return std::count(pixels.begin(), pixels.end(), kInk); }
    void triangle(ScreenVertex a, ScreenVertex b, ScreenVertex c)
    {
        ScreenVertex v[3] = {a, b, c};
        drawTriangle(pixels.data(), width, height, v, kInk, depth.data());
    }
    void span(int xa, int xb, int y, int32_t za, int32_t zb, uint32_t color = kInk)
    {
        drawSpan(pixels.data(), width, height, xa, xb, y, za, zb, color, depth.data());
    }
};

TEST(Rasterizer, DepthTestIsStrictAndUnsigned)
{
    Target t(4, 1);
    const auto drawAndRead = [&](int32_t key, uint32_t color) {
        t.span(0, 4, 0, key * 256, key * 256, color);
        return t.pixels[0];
    };
    EXPECT_EQ(drawAndRead(-1, 1), 0u);   // key 0xFFFFFFFF never beats a cleared pixel
    EXPECT_EQ(drawAndRead(-2000, 2), 2u);
    EXPECT_EQ(t.depth[0], uint32_t(-2000));
    EXPECT_EQ(drawAndRead(-2000, 3), 2u);  // equal key: kept
    EXPECT_EQ(drawAndRead(-1000, 4), 2u);  // farther (smaller magnitude): kept
    EXPECT_EQ(drawAndRead(-3000, 5), 5u);  // nearer: drawn
}

TEST(Rasterizer, LargestValidTriangleFillsTheFrameAndLargerOnesAreSkipped)
{
    Target t(320, 240);
    const int32_t big = 4000000;  // differences just under 2^23
    t.triangle({-big, -big, kNear}, {big, -big, kNear}, {0, big, kNear});
    EXPECT_EQ(t.inked(), 320 * 240);

    Target skipped(320, 240);
    skipped.triangle({-(1 << 23), 0, kNear}, {300, 0, kNear}, {0, 100, kNear});
    skipped.triangle({0, 0, kNear}, {300, 0, kNear}, {0, 100, 1 << 23});
    skipped.triangle({-5000000, 0, kNear}, {5000000, 0, kNear}, {0, 100, kNear});
    EXPECT_EQ(skipped.inked(), 0);
}

}  // namespace
