#include "render3d/rasterizer.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "core/cpu_features.h"
#include "render3d/exact_divide.h"
#include "render3d/raster_kernels.h"
#include "render3d/span_kernels.h"
#include "render3d/triangle_fill.h"

// Fixed-point values are walked in uint32_t so that running sums wrap instead
// of overflowing; they are read back as signed with an arithmetic shift. For
// triangles within kRasterLimit the sums never actually wrap, except the one
// step past the last pixel of a span, whose value is never used.
namespace {

constexpr int32_t toFixed(int32_t v) { return v * 256; }

constexpr int32_t fromFixed(uint32_t v) { return int32_t(v) >> 8; }

bool withinLimit(int64_t v) { return v > -kRasterLimit && v < kRasterLimit; }

// Every coordinate and depth key inside +-kRasterLimit, and every difference
// between two vertices too, checked pair by pair.
bool fitsFixedPointPairwise(const ScreenVertex* v)
{
    for (int k = 0; k < 3; ++k) {
        if (!withinLimit(v[k].x) || !withinLimit(v[k].y) || !withinLimit(v[k].depth))
            return false;
        const ScreenVertex& a = v[k];
        const ScreenVertex& b = v[(k + 1) % 3];
        if (!withinLimit(int64_t(a.x) - b.x) || !withinLimit(int64_t(a.y) - b.y) ||
            !withinLimit(int64_t(a.depth) - b.depth))
            return false;
    }
    return true;
}

// The same test in fewer steps: the largest difference of a component is its
// maximum minus its minimum. Needs v sorted by y.
inline bool fitsFixedPoint(const ScreenVertex* v, int32_t xMin, int32_t xMax)
{
    const int32_t zMin = std::min({v[0].depth, v[1].depth, v[2].depth});
    const int32_t zMax = std::max({v[0].depth, v[1].depth, v[2].depth});
    const int32_t yMin = v[0].y, yMax = v[2].y;
    if (xMin <= -kRasterLimit || yMin <= -kRasterLimit || zMin <= -kRasterLimit || xMax >= kRasterLimit ||
        yMax >= kRasterLimit || zMax >= kRasterLimit)
        return false;
    // Both ends inside the limit: the differences fit in 32 bits.
    return xMax - xMin < kRasterLimit && yMax - yMin < kRasterLimit && zMax - zMin < kRasterLimit;
}

// Three compare-and-swaps, each only on a strictly greater y; their order
// decides which of two equal-y vertices starts the long edge.
void sortByY(ScreenVertex* v)
{
    if (v[1].y > v[2].y)
        std::swap(v[1], v[2]);
    if (v[0].y > v[2].y)
        std::swap(v[0], v[2]);
    if (v[0].y > v[1].y)
        std::swap(v[0], v[1]);
}

// One edge of the plain fill, stepped row by row with double divisions.
struct Edge {
    uint32_t x, dx, z, dz;

    Edge(const ScreenVertex& from, const ScreenVertex& to)
    {
        const int32_t rows = to.y - from.y;
        x = uint32_t(toFixed(from.x));
        dx = uint32_t(divideExact(toFixed(to.x - from.x), rows));
        z = uint32_t(toFixed(from.depth));
        dz = uint32_t(divideExact(toFixed(to.depth - from.depth), rows));
    }

    void step()
    {
        x += dx;
        z += dz;
    }
};

void fillRowsReference(uint32_t* target, int32_t width, int32_t height, int32_t yFrom, int32_t yTo,
                       Edge& longEdge, Edge& shortEdge, uint32_t color, uint32_t* depth)
{
    for (int32_t y = yFrom; y < yTo; ++y) {
        drawSpan(target, width, height, fromFixed(longEdge.x), fromFixed(shortEdge.x), y,
                 int32_t(longEdge.z), int32_t(shortEdge.z), color, depth);
        longEdge.step();
        shortEdge.step();
    }
}

struct SpanPlain {
    static void fill(uint32_t* rowPixels, uint32_t* rowKeys, int32_t, int32_t xl, int32_t n, uint32_t z,
                     uint32_t dz, uint32_t color)
    {
        fillSpanScalar(rowPixels + xl, rowKeys + xl, n, z, dz, color);
    }
};

#if defined(__SSE2__)
struct SpanSse2 {
    static void fill(uint32_t* rowPixels, uint32_t* rowKeys, int32_t width, int32_t xl, int32_t n, uint32_t z,
                     uint32_t dz, uint32_t color)
    {
        fillSpanSse2(rowPixels, rowKeys, width, xl, n, z, dz, color);
    }
};
#endif

bool avx2Usable()
{
#if defined(QUARNEL_RASTER_AVX2)
    return mayUse(CpuFeature::Avx2);
#else
    return false;
#endif
}

// Sorts the records and tells whether there may be anything to fill: only
// then is the triangle within the fixed-point limit, not flat, with a row on
// the target and a column that can be drawn. Widens `touched` by its rows on
// the target, and gives the least and greatest x of the vertices for the
// fill. The early answers are exact, not guesses: an edge's pixel x
// lies between its vertices' x in every row, so with all three x equal every
// span is empty, and with all of them at or left of 0 (at or right of
// `width`) every span is clamped to nothing.
inline bool prepareTriangle(int32_t width, int32_t height, ScreenVertex* v, RowRange* touched, int32_t& xMin,
                            int32_t& xMax)
{
    sortByY(v);
    const int32_t top = std::max(v[0].y, 0);
    const int32_t bottom = std::min(v[2].y, height);
    if (top >= bottom)  // also every flat triangle (v[0].y == v[2].y)
        return false;
    xMin = std::min({v[0].x, v[1].x, v[2].x});
    xMax = std::max({v[0].x, v[1].x, v[2].x});
    if (xMin == xMax || xMax <= 0 || xMin >= width || !fitsFixedPoint(v, xMin, xMax))
        return false;
    if (touched) {
        touched->first = std::min(touched->first, top);
        touched->end = std::max(touched->end, bottom);
    }
    return true;
}

}  // namespace

void drawTriangle(uint32_t* target, int32_t width, int32_t height, ScreenVertex* v,
                  uint32_t color, uint32_t* depth, RowRange* touched)
{
    int32_t xMin, xMax;
    if (!prepareTriangle(width, height, v, touched, xMin, xMax))
        return;
#if defined(QUARNEL_RASTER_AVX2)
    if (avx2Usable()) {
        fillSortedTriangleAvx2(target, width, height, v, color, depth, xMin, xMax);
        return;
    }
#endif
#if defined(__SSE2__)
    fillSortedTriangle<SpanSse2>(target, width, height, v, color, depth, xMin, xMax);
#else
    fillSortedTriangle<SpanPlain>(target, width, height, v, color, depth, xMin, xMax);
#endif
}

bool rasterKernelUsable(RasterKernel kernel)
{
    switch (kernel) {
    case RasterKernel::Plain:
        return true;
    case RasterKernel::Sse2:
#if defined(__SSE2__)
        return true;
#else
        return false;
#endif
    case RasterKernel::Avx2:
        return avx2Usable();
    }
    return false;
}

void drawTriangleWith(RasterKernel kernel, uint32_t* target, int32_t width, int32_t height, ScreenVertex* v,
                      uint32_t color, uint32_t* depth, RowRange* touched)
{
    int32_t xMin, xMax;
    if (!prepareTriangle(width, height, v, touched, xMin, xMax))
        return;
    switch (kernel) {
    case RasterKernel::Plain:
        fillSortedTriangle<SpanPlain>(target, width, height, v, color, depth, xMin, xMax);
        break;
    case RasterKernel::Sse2:
#if defined(__SSE2__)
        fillSortedTriangle<SpanSse2>(target, width, height, v, color, depth, xMin, xMax);
#endif
        break;
    case RasterKernel::Avx2:
#if defined(QUARNEL_RASTER_AVX2)
        fillSortedTriangleAvx2(target, width, height, v, color, depth, xMin, xMax);
#endif
        break;
    }
}

void fillSpanWith(RasterKernel kernel, uint32_t* rowPixels, uint32_t* rowKeys, int32_t width, int32_t xl,
                  int32_t n, uint32_t z, uint32_t dz, uint32_t color)
{
    switch (kernel) {
    case RasterKernel::Plain:
        SpanPlain::fill(rowPixels, rowKeys, width, xl, n, z, dz, color);
        break;
    case RasterKernel::Sse2:
#if defined(__SSE2__)
        SpanSse2::fill(rowPixels, rowKeys, width, xl, n, z, dz, color);
#endif
        break;
    case RasterKernel::Avx2:
#if defined(QUARNEL_RASTER_AVX2)
        fillSpanAvx2Entry(rowPixels, rowKeys, width, xl, n, z, dz, color);
#endif
        break;
    }
}

void drawTriangleReference(uint32_t* target, int32_t width, int32_t height, ScreenVertex* v,
                           uint32_t color, uint32_t* depth)
{
    sortByY(v);
    const ScreenVertex& p = v[0];
    const ScreenVertex& q = v[1];
    const ScreenVertex& r = v[2];
    if (p.y == r.y || !fitsFixedPointPairwise(v))
        return;

    Edge longEdge(p, r);
    if (q.y > p.y) {
        Edge upper(p, q);
        fillRowsReference(target, width, height, p.y, q.y, longEdge, upper, color, depth);
    }
    if (r.y > q.y) {
        Edge lower(q, r);
        fillRowsReference(target, width, height, q.y, r.y, longEdge, lower, color, depth);
    }
}

void drawSpan(uint32_t* target, int32_t width, int32_t height, int32_t xa, int32_t xb,
              int32_t y, int32_t za, int32_t zb, uint32_t color, uint32_t* depth)
{
    if (xa == xb)
        return;
    if (xb < xa) {
        std::swap(xa, xb);
        std::swap(za, zb);
    }
    if (y < 0 || y >= height)
        return;
    if (xa < 0)
        xa = 0;
    if (xb < 0)
        xb = 0;
    if (xb > width)
        xb = width;
    if (xa > width)
        xa = width;
    if (xa == xb)
        return;

    // The depth range is re-spread over the visible columns only; the first
    // pixel is sampled half a step in.
    const int32_t n = xb - xa;
    const int32_t dz = divideExact(int32_t(uint32_t(zb) - uint32_t(za)), n);
    const uint32_t z = uint32_t(za) + uint32_t(dz >> 1);
    const int64_t row = int64_t(y) * width + xa;
    fillSpanScalar(target + row, depth + row, n, z, uint32_t(dz), color);
}
