#include "reference/raster_reference.h"

#include <utility>

#include "render3d/exact_divide.h"
#include "render3d/raster_kernels.h"
#include "render3d/span_kernels.h"

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

// Three compare-and-swaps, each only on a strictly greater y.
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

}  // namespace

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

void fillSpanWith(SimdForm form, uint32_t* rowPixels, uint32_t* rowKeys, int32_t width, int32_t xl, int32_t n,
                  uint32_t z, uint32_t dz, uint32_t color)
{
    if (form != SimdForm::Plain)
        return fillSpanSimd(rowPixels, rowKeys, width, xl, n, z, dz, color);
    fillSpanScalar(rowPixels + xl, rowKeys + xl, n, z, dz, color);
}
