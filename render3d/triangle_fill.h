// The inner part of the fast triangle fill, shared by the rasterizer's
// translation units: each instantiates it with its own span fill, the plain
// one in rasterizer.cpp, the SIMD one in rasterizer_simd.cpp. There it is
// included once per target, inside that target's namespace (so it has no
// include guard), after the headers it needs; everything here has internal
// linkage so that the copies built for different instruction sets never
// stand in for one another.
//
// It gives the bytes of the plain fill (rasterizer.h): the same edges and steps, but
// rows off the target are skipped rather than visited (the edges jump past
// them by a multiplication, which wraps in uint32_t exactly like the repeated
// additions), and the plain span's ordering and clamping are done without branches.
#include <algorithm>
#include <cstdint>

#include "render3d/exact_divide.h"
#include "render3d/rasterizer.h"
#include "render3d/span_kernels.h"

namespace {

// One edge walked down the rows: x and depth in 24.8 fixed point with their
// per-row steps, each step truncated toward zero. Sums wrap in uint32_t and
// are read back as signed with an arithmetic shift.
struct FillEdge {
    uint32_t x, dx, z, dz;

    FillEdge(const ScreenVertex& from, const ScreenVertex& to, int32_t startRow)
    {
        const int32_t rows = to.y - from.y;
        dx = uint32_t(divideTruncating((to.x - from.x) * 256, rows));
        dz = uint32_t(divideTruncating((to.depth - from.depth) * 256, rows));
        const uint32_t skipped = uint32_t(startRow - from.y);
        x = uint32_t(from.x * 256) + skipped * dx;
        z = uint32_t(from.depth * 256) + skipped * dz;
    }
};

// Which edge is on the left in every row of a part, when that is known.
enum class EdgeOrder { Mixed, LongLeft, ShortLeft };

// Rows y ... yEnd - 1, all on the target, both edges at row y. Leaves the
// long edge at row yEnd. Span::fill(rowPixels, rowKeys, width, xl, n, z, dz,
// color) fills pixels xl ... xl + n - 1 of one row.
template <class Span, EdgeOrder order, bool clamp>
inline void fillTriangleRows(uint32_t* target, int32_t width, int32_t y, int32_t yEnd, FillEdge& longEdge,
                             const FillEdge& shortEdge, uint32_t color, uint32_t* depth)
{
    uint32_t* rowPixels = target + int64_t(y) * width;
    uint32_t* rowKeys = depth + int64_t(y) * width;
    uint32_t lx = longEdge.x, lz = longEdge.z, sx = shortEdge.x, sz = shortEdge.z;
    const uint32_t ldx = longEdge.dx, ldz = longEdge.dz, sdx = shortEdge.dx, sdz = shortEdge.dz;
    for (; y < yEnd; ++y) {
        const int32_t xa = int32_t(lx) >> 8;
        const int32_t xb = int32_t(sx) >> 8;
        int32_t left, right;
        uint32_t zl, zr;
        if constexpr (order == EdgeOrder::LongLeft) {
            left = xa, right = xb, zl = lz, zr = sz;
        } else if constexpr (order == EdgeOrder::ShortLeft) {
            left = xb, right = xa, zl = sz, zr = lz;
        } else {
            // All ones when the short edge is the left one: pick by masks,
            // not by a branch that would follow the data.
            const uint32_t swap = 0u - uint32_t(xb < xa);
            left = int32_t(uint32_t(xa) ^ ((uint32_t(xa) ^ uint32_t(xb)) & swap));
            right = int32_t(uint32_t(xa) ^ uint32_t(xb) ^ uint32_t(left));
            zl = lz ^ ((lz ^ sz) & swap);
            zr = lz ^ sz ^ zl;
        }
        int32_t xl = left, xr = right;
        if constexpr (clamp) {
            xl = std::min(std::max(left, 0), width);
            xr = std::min(std::max(right, 0), width);
        }
        const int32_t n = xr - xl;
        if (n > 0) {
            const int32_t dz = divideTruncating(int32_t(zr - zl), n);
            Span::fill(rowPixels, rowKeys, width, xl, n, zl + uint32_t(dz >> 1), uint32_t(dz), color);
        }
        lx += ldx;
        lz += ldz;
        sx += sdx;
        sz += sdz;
        rowPixels += width;
        rowKeys += width;
    }
    longEdge.x = lx;
    longEdge.z = lz;
}

// Rows y ... yEnd - 1 of one part. An edge's pixel x lies between its
// vertices' x in every row, so a triangle whose vertices are all within
// 0 ... width needs no clamping. Within the fixed-point limit the edge
// positions never wrap, so the distance between the edges, short minus long,
// is linear in the row: when it is <= 0 in the first and the last row it is
// <= 0 in every row, and the short edge is never right of the long one
// (where both give the same pixel the span is empty, whichever is taken as
// left); likewise for >= 0. Only edges that cross inside a part are ordered
// row by row.
template <class Span, bool clamp>
inline void fillTrianglePart(uint32_t* target, int32_t width, int32_t y, int32_t yEnd, FillEdge& longEdge,
                             const FillEdge& shortEdge, uint32_t color, uint32_t* depth)
{
    const uint32_t last = uint32_t(yEnd - 1 - y);
    const int64_t firstGap = int64_t(int32_t(shortEdge.x)) - int32_t(longEdge.x);
    const int64_t lastGap =
        int64_t(int32_t(shortEdge.x + last * shortEdge.dx)) - int32_t(longEdge.x + last * longEdge.dx);
    if (firstGap >= 0 && lastGap >= 0)
        fillTriangleRows<Span, EdgeOrder::LongLeft, clamp>(target, width, y, yEnd, longEdge, shortEdge, color, depth);
    else if (firstGap <= 0 && lastGap <= 0)
        fillTriangleRows<Span, EdgeOrder::ShortLeft, clamp>(target, width, y, yEnd, longEdge, shortEdge, color, depth);
    else
        fillTriangleRows<Span, EdgeOrder::Mixed, clamp>(target, width, y, yEnd, longEdge, shortEdge, color, depth);
}

// At most this many columns wide (every span is then that short too), a
// triangle is filled with the plain span loop.
constexpr int32_t kNarrowTriangle = 3;

struct SpanNarrow {
    static void fill(uint32_t* rowPixels, uint32_t* rowKeys, int32_t, int32_t xl, int32_t n, uint32_t z,
                     uint32_t dz, uint32_t color)
    {
        fillSpanScalar(rowPixels + xl, rowKeys + xl, n, z, dz, color);
    }
};

// A triangle sorted by y (v[0].y <= v[1].y <= v[2].y, v[0].y < v[2].y) whose
// values fit the fixed-point limit, with the least and greatest x of its
// vertices: its rows on the target.
template <class Span>
inline void fillSortedTriangle(uint32_t* target, int32_t width, int32_t height, const ScreenVertex* v,
                               uint32_t color, uint32_t* depth, int32_t xMin, int32_t xMax)
{
    const ScreenVertex& p = v[0];
    const ScreenVertex& q = v[1];
    const ScreenVertex& r = v[2];
    const int32_t top = std::max(p.y, 0);
    const int32_t bottom = std::min(r.y, height);
    if (top >= bottom)
        return;
    // Upper part: rows top ... mid - 1 (above Q); lower part: mid ... bottom - 1.
    // A non-empty part has at least one row, so its edge's divisor is >= 1.
    const int32_t mid = std::min(std::max(q.y, top), bottom);
    FillEdge longEdge(p, r, top);
    if (xMax - xMin <= kNarrowTriangle) {
        // Spans of a few pixels: the plain loop costs less than setting up
        // the wide one.
        if (mid > top)
            fillTriangleRows<SpanNarrow, EdgeOrder::Mixed, true>(target, width, top, mid, longEdge,
                                                                 FillEdge(p, q, top), color, depth);
        if (bottom > mid)
            fillTriangleRows<SpanNarrow, EdgeOrder::Mixed, true>(target, width, mid, bottom, longEdge,
                                                                 FillEdge(q, r, mid), color, depth);
        return;
    }
    const bool inside = xMin >= 0 && xMax <= width;
    if (mid > top) {
        const FillEdge upper(p, q, top);
        if (inside)
            fillTrianglePart<Span, false>(target, width, top, mid, longEdge, upper, color, depth);
        else
            fillTrianglePart<Span, true>(target, width, top, mid, longEdge, upper, color, depth);
    }
    if (bottom > mid) {
        const FillEdge lower(q, r, mid);
        if (inside)
            fillTrianglePart<Span, false>(target, width, mid, bottom, longEdge, lower, color, depth);
        else
            fillTrianglePart<Span, true>(target, width, mid, bottom, longEdge, lower, color, depth);
    }
}

}  // namespace
