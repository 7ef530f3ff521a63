// The triangle fill: which rows and columns it covers, clamping, the depth
// test, and the guard against values too large for 24.8 fixed point.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
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
    std::string row(int y) const  // '#' where inked
    {
        std::string s;
        for (int x = 0; x < width; ++x)
            s += pixels[size_t(y) * width + x] == kInk ? '#' : '.';
        return s;
    }
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

TEST(Rasterizer, TopRowOnlyWhenFlatBottomRowAndRightEndNever)
{
    Target pointed(8, 6);  // lone top vertex: its row is a zero-width span
    pointed.triangle({2, 0, kNear}, {6, 4, kNear}, {2, 4, kNear});
    EXPECT_EQ(pointed.row(0) + pointed.row(1) + pointed.row(2) + pointed.row(3) + pointed.row(4),
              "........" "..#....." "..##...." "..###..." "........");

    Target flat(8, 6);  // flat top: the short edge starts at the second top vertex
    flat.triangle({0, 0, kNear}, {4, 0, kNear}, {0, 4, kNear});
    EXPECT_EQ(flat.row(0) + flat.row(1) + flat.row(2) + flat.row(3) + flat.row(4),
              "####...." "###....." "##......" "#......." "........");

    Target both(16, 12);  // upper and lower part: rows 2 ... 8 (row 1 is the apex)
    both.triangle({8, 1, kNear}, {1, 5, kNear}, {12, 9, kNear});
    for (int y = 0; y < 12; ++y)
        EXPECT_EQ(both.row(y).find('#') != std::string::npos, y >= 2 && y < 9) << y;
}

TEST(Rasterizer, SortsWithThreeStrictSwapsAndSkipsFlatTriangles)
{
    Target t(16, 12);
    ScreenVertex v[3] = {{5, 3, kNear}, {1, 0, kNear}, {9, 0, kNear}};
    drawTriangle(t.pixels.data(), 16, 12, v, kInk, t.depth.data());
    // (1,2) keeps equal y in place, (0,2) swaps, (0,1) keeps: x = 9 ends on top.
    EXPECT_EQ(v[0].x, 9);
    EXPECT_EQ(v[1].x, 1);
    EXPECT_EQ(v[2].x, 5);

    Target flat(16, 12);
    flat.triangle({1, 4, kNear}, {9, 4, kNear}, {5, 4, kNear});
    EXPECT_EQ(flat.inked(), 0);
}

TEST(Rasterizer, SpanClampsToTheTargetAndRespreadsDepthOverTheVisiblePart)
{
    Target t(320, 240);
    // Keys 0 ... 1000 over columns -50 ... 10: the whole range goes to the
    // visible columns 0 ... 9, sampled half a step in.
    t.span(10, -50, 5, 1000 * 256, 0);
    EXPECT_EQ(t.row(5), std::string(10, '#') + std::string(310, '.'));
    for (int x = 0; x < 10; ++x)
        EXPECT_EQ(t.depth[5 * 320 + x], uint32_t(50 + 100 * x)) << x;

    t.span(300, 400, 7, 0, 0);
    EXPECT_EQ(t.row(7), std::string(300, '.') + std::string(20, '#'));
    t.span(-30, -5, 1, 0, 0);
    t.span(330, 400, 1, 0, 0);
    t.span(0, 320, -1, 0, 0);
    t.span(0, 320, 240, 0, 0);
    EXPECT_EQ(t.inked(), 30);
    t.span(0, 320, 239, 0, 0);
    EXPECT_EQ(t.inked(), 350);

    Target small(8, 3);  // a shorter target stops at its own last row
    small.span(0, 8, 3, 0, 0);
    EXPECT_EQ(small.inked(), 0);
}

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
