#include "render3d/rasterizer.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "render3d/exact_divide.h"
#include "render3d/raster_kernels.h"
#include "render3d/span_kernels.h"
#include "render3d/triangle_fill.h"

// Fixed-point values are walked in uint32_t so that running sums wrap instead
// of overflowing; they are read back as signed with an arithmetic shift. For
// triangles within kRasterLimit the sums never actually wrap, except the one
// step past the last pixel of a span, whose value is never used.
namespace {

// Every coordinate and depth key inside +-kRasterLimit, and every difference
// between two vertices too: the largest difference of a component is its
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

struct SpanPlain {
    static void fill(uint32_t* rowPixels, uint32_t* rowKeys, int32_t, int32_t xl, int32_t n, uint32_t z,
                     uint32_t dz, uint32_t color)
    {
        fillSpanScalar(rowPixels + xl, rowKeys + xl, n, z, dz, color);
    }
};

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
                  uint32_t color, uint32_t* depth, RowRange* touched, SimdForm form)
{
    int32_t xMin, xMax;
    if (!prepareTriangle(width, height, v, touched, xMin, xMax))
        return;
    if (form != SimdForm::Plain)
        return fillSortedTriangleSimd(target, width, height, v, color, depth, xMin, xMax);
    fillSortedTriangle<SpanPlain>(target, width, height, v, color, depth, xMin, xMax);
}
