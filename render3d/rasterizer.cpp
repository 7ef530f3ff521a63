#include "render3d/rasterizer.h"

#include <utility>

// Fixed-point values are walked in uint32_t so that running sums wrap instead
// of overflowing; they are read back as signed with an arithmetic shift. For
// triangles within kRasterLimit the sums never actually wrap, except the one
// step past the last pixel of a span, whose value is never used.
namespace {

constexpr int32_t toFixed(int32_t v) { return v * 256; }

constexpr int32_t fromFixed(uint32_t v) { return int32_t(v) >> 8; }

// Signed 32-bit division truncating toward zero, done in double: faster than
// the integer divide here, and exact. The quotient of two 32-bit integers
// lies at least 1/|b| > 2^-31 of its size away from any other whole number
// it could round onto, far more than the 2^-53 relative rounding of the
// division, so truncating the rounded quotient gives the integer quotient.
// (The one quotient that overflows, INT32_MIN / -1, never occurs: divisors
// here are row and column counts, at least 1.)
inline int32_t divide(int32_t a, int32_t b) { return int32_t(double(a) / double(b)); }

bool withinLimit(int64_t v) { return v > -kRasterLimit && v < kRasterLimit; }

bool fitsFixedPoint(const ScreenVertex* v)
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

// One edge walked down the rows: x and depth in 24.8 fixed point with their
// per-row steps. Steps truncate toward zero (signed division).
struct Edge {
    uint32_t x, dx, z, dz;

    Edge(const ScreenVertex& from, const ScreenVertex& to)
    {
        const int32_t rows = to.y - from.y;
        x = uint32_t(toFixed(from.x));
        dx = uint32_t(divide(toFixed(to.x - from.x), rows));
        z = uint32_t(toFixed(from.depth));
        dz = uint32_t(divide(toFixed(to.depth - from.depth), rows));
    }

    void step()
    {
        x += dx;
        z += dz;
    }
};

void fillRows(uint32_t* target, int32_t width, int32_t height, int32_t yFrom, int32_t yTo,
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

void drawTriangle(uint32_t* target, int32_t width, int32_t height, ScreenVertex* v,
                  uint32_t color, uint32_t* depth)
{
    // Three compare-and-swaps, each only on a strictly greater y; their order
    // decides which of two equal-y vertices starts the long edge.
    if (v[1].y > v[2].y)
        std::swap(v[1], v[2]);
    if (v[0].y > v[2].y)
        std::swap(v[0], v[2]);
    if (v[0].y > v[1].y)
        std::swap(v[0], v[1]);
    const ScreenVertex& p = v[0];
    const ScreenVertex& q = v[1];
    const ScreenVertex& r = v[2];

    if (p.y == r.y || !fitsFixedPoint(v))
        return;

    Edge longEdge(p, r);
    if (q.y > p.y) {
        Edge upper(p, q);
        fillRows(target, width, height, p.y, q.y, longEdge, upper, color, depth);
    }
    if (r.y > q.y) {
        Edge lower(q, r);
        fillRows(target, width, height, q.y, r.y, longEdge, lower, color, depth);
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
    const int32_t dz = divide(int32_t(uint32_t(zb) - uint32_t(za)), n);
    uint32_t z = uint32_t(za) + uint32_t(dz >> 1);

    uint32_t* pixel = target + int64_t(y) * width + xa;
    uint32_t* key = depth + int64_t(y) * width + xa;
    for (int32_t i = 0; i < n; ++i) {
        const uint32_t k = uint32_t(fromFixed(z));
        if (k < key[i]) {
            pixel[i] = color;
            key[i] = k;
        }
        z += uint32_t(dz);
    }
}
