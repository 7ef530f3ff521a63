// The SSE2 streak pass, swept along anti-diagonals.
//
// The pass is recursive: a pixel at column distance dx and row distance dy
// from the centre reads only pixels at distances (dx', dy') with dx' <= dx and
// dy' <= dy (its sample lies between it and the centre), and of those only
// itself while still old. Near the centre, with a small strength, it reads
// the pixel rewritten just before it in its own row, so a row is one long
// dependency chain. But all pixels with the same dx + dy are independent of
// each other, and everything they read has a smaller dx + dy. Sweeping each
// quadrant along these anti-diagonals therefore gives the same bytes as the
// row-by-row order, with a whole diagonal of independent pixels to overlap
// instead of one chain, and with every pixel read long after it was stored.
//
// The quadrants go in an order that keeps their few mutual reads done before
// they are needed: upper left (centre row and column included), upper right
// (reads the centre column), lower left (reads the centre row), lower right.
//
// What depends only on the geometry (sample rows, pair columns, the fraction
// weights) is tabled per row and per column before the sweep; the sweep then
// does per pixel two 64-bit loads of neighbour pairs (rows iy and iy + 1),
// the weight products and the mix, two pixels to a register in 16-bit lanes;
// the written pixels of a diagonal lie a fixed stride apart.
#include "effects/streaks/light_streaks_kernels.h"

#if defined(QUARNEL_X86_SIMD)
#include <emmintrin.h>

#include <algorithm>
#include <cstddef>

namespace {

// One row of a quadrant: the rows it samples and the vertical weights. The
// weights are scaled by 256 so that a high-half multiply by a column weight
// gives (column weight * row weight) >> 8 directly. Row iy + 1 is read even
// where fy is 0 (weight 0, so its value does not matter).
struct RowEntry {
    __m128i weightA;  // 256 * (255 - fy) in every lane, the weight of row iy
    __m128i weightB;  // 256 * fy in every lane, the weight of row iy + 1
    const uint32_t* rowA;  // row iy; the second sample row is the next one
};

// One column of a quadrant: the written column, the first column of the
// neighbour pair read with one 64-bit load, and the horizontal weights of
// the pair's two pixels as lanes w0 w0 w0 0 w1 w1 w1 0 (the zero lanes make
// the sample's fourth byte 0).
struct ColumnEntry {
    __m128i weights;
    int32_t pairColumn;
};

constexpr int kMaxRows = kStreakHeight;
constexpr int kMaxColumns = kStreakWidth;
// Rows swept together. The anti-diagonals of a band of this many rows give
// ample independent work, and the band's pixels, with the rows they read,
// stay within the first-level cache.
constexpr int kBandRows = 32;

// Rows at distance first, first + 1, ... from the centre row, up or down.
int fillRows(RowEntry* rows, const uint32_t* pixels, const StreakGeometry& g, bool up, int first)
{
    const int count = up ? g.centreY + 1 - first : kStreakHeight - g.centreY - first;
    const uint32_t cy = static_cast<uint32_t>(g.centreY);
    for (int i = 0; i < count; ++i) {
        const uint32_t d = static_cast<uint32_t>(first + i);
        const uint32_t sy = up ? cy * 256 - d * g.step : cy * 256 + d * g.step;
        const uint32_t fy = sy & 255;
        uint32_t iy = sy >> 8;
        uint32_t wA = 255 - fy;
        uint32_t wB = fy;
        // A sample in the last row lies exactly on it (fy is 0): read it and
        // the row before instead, with the weights swapped, so nothing past
        // the buffer is read.
        if (iy == kStreakHeight - 1) {
            iy -= 1;
            std::swap(wA, wB);
        }
        rows[i].weightA = _mm_set1_epi16(static_cast<short>(wA << 8));
        rows[i].weightB = _mm_set1_epi16(static_cast<short>(wB << 8));
        rows[i].rowA = pixels + iy * kStreakWidth;
    }
    return count;
}

// Columns at distance first, first + 1, ... from the centre column, left or right.
int fillColumns(ColumnEntry* columns, const StreakGeometry& g, bool left, int first)
{
    const int count = left ? g.centreX + 1 - first : kStreakWidth - g.centreX - first;
    const uint32_t cx = static_cast<uint32_t>(g.centreX);
    for (int i = 0; i < count; ++i) {
        const uint32_t d = static_cast<uint32_t>(first + i);
        const uint32_t sx = left ? cx * 256 - d * g.step : cx * 256 + d * g.step;
        const uint32_t fx = sx & 255;
        int32_t pair = static_cast<int32_t>(sx >> 8);
        uint32_t w0 = 255 - fx;
        uint32_t w1 = fx;
        // A sample in the last column lies exactly on it (fx is 0): the pair
        // starts one column earlier instead, so nothing past the row is read,
        // and the weights swap places (the extra pixel gets weight 0).
        if (pair == kStreakWidth - 1) {
            pair -= 1;
            std::swap(w0, w1);
        }
        const short a = static_cast<short>(w0);
        const short b = static_cast<short>(w1);
        columns[i].weights = _mm_set_epi16(0, b, b, b, 0, a, a, a);
        columns[i].pairColumn = pair;
    }
    return count;
}

// The bilinear products of one pixel as 16-bit lanes: the first pair pixel's
// weighted bytes from both rows in lanes 0..3, the second's in lanes 4..7.
// (255 - fx)(255 - fy) etc. stay below 65536, so the 16-bit weight products
// and the logical shift are exact, and all four products of a byte together
// stay below 65536 too (at most 64770), so 16-bit sums never wrap.
inline __m128i weightedPairs(const RowEntry& row, const ColumnEntry& column)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i a = _mm_unpacklo_epi8(
        _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row.rowA + column.pairColumn)), zero);
    const __m128i b = _mm_unpacklo_epi8(
        _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row.rowA + kStreakWidth + column.pairColumn)), zero);
    const __m128i wA = _mm_mulhi_epu16(column.weights, row.weightA);
    const __m128i wB = _mm_mulhi_epu16(column.weights, row.weightB);
    return _mm_add_epi16(_mm_mullo_epi16(a, wA), _mm_mullo_epi16(b, wB));
}

// Rewrites two independent pixels P and Q (they may be the same pixel, which
// is then simply written twice with the same value). All reads, old values
// included, happen before either store.
inline void streakTwo(uint32_t* dstP, const RowEntry& rowP, const ColumnEntry& colP, uint32_t* dstQ,
                      const RowEntry& rowQ, const ColumnEntry& colQ)
{
    const __m128i old16 = _mm_unpacklo_epi8(_mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(*dstP)),
                                                               _mm_cvtsi32_si128(static_cast<int>(*dstQ))),
                                            _mm_setzero_si128());
    const __m128i p = weightedPairs(rowP, colP);
    const __m128i q = weightedPairs(rowQ, colQ);
    // Add each pixel's two pair halves: samples of P in lanes 0..3, of Q in 4..7.
    const __m128i samples =
        _mm_srli_epi16(_mm_add_epi16(_mm_unpacklo_epi64(p, q), _mm_unpackhi_epi64(p, q)), 8);

    __m128i sampleFactor = _mm_set1_epi16(200);
    __m128i oldFactor = _mm_set1_epi16(55);
#if defined(__GNUC__)
    // Keep the factors as real multiplies: the optimiser would otherwise turn
    // each into a longer chain of shifts and adds.
    __asm__("" : "+x"(sampleFactor), "+x"(oldFactor));
#endif
    // (sample * 200 + old * 55) >> 8; at most 253 * 200 + 255 * 55, which
    // fits in 16 unsigned bits.
    const __m128i mixed = _mm_srli_epi16(
        _mm_add_epi16(_mm_mullo_epi16(samples, sampleFactor), _mm_mullo_epi16(old16, oldFactor)), 8);
    const __m128i packed = _mm_packus_epi16(mixed, mixed);
    *dstP = static_cast<uint32_t>(_mm_cvtsi128_si32(packed));
    *dstQ = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(packed, 4)));
}

// One quadrant, rows[r] x columns[c] with r and c counted outward from the
// centre; pixel (r, c) is pixels[origin + r * rowStride + c * columnStride].
// Bands of rows go outward in turn; within a band, diagonal t holds the
// pixels with r + c == t (r relative to the band), which read only earlier
// diagonals, earlier bands and earlier quadrants.
void sweepQuadrant(const RowEntry* rows, int rowCount, const ColumnEntry* columns, int columnCount,
                   uint32_t* pixels, ptrdiff_t origin, ptrdiff_t rowStride, ptrdiff_t columnStride)
{
    if (rowCount <= 0 || columnCount <= 0)
        return;
    // Along a diagonal, one row outward and one column back.
    const ptrdiff_t diagonalStep = rowStride - columnStride;
    for (int band = 0; band < rowCount; band += kBandRows) {
        const RowEntry* bandRows = rows + band;
        const int bandCount = std::min(kBandRows, rowCount - band);
        const ptrdiff_t bandOrigin = origin + band * rowStride;
        for (int t = 0; t < bandCount + columnCount - 1; ++t) {
            const int rLast = std::min(bandCount - 1, t);
            int r = std::max(0, t - (columnCount - 1));
            // An index rather than a pointer: after the last pixel it may
            // step outside the buffer.
            ptrdiff_t dst = bandOrigin + r * rowStride + (t - r) * columnStride;
            for (; r < rLast; r += 2, dst += 2 * diagonalStep)
                streakTwo(pixels + dst, bandRows[r], columns[t - r], pixels + dst + diagonalStep,
                          bandRows[r + 1], columns[t - r - 1]);
            if (r == rLast)
                streakTwo(pixels + dst, bandRows[r], columns[t - r], pixels + dst, bandRows[r], columns[t - r]);
        }
    }
}

}  // namespace

void applyLightStreaksSse2(uint32_t* pixels, int32_t centreX, int32_t centreY, int32_t strength)
{
    const StreakGeometry g = streakGeometry(centreX, centreY, strength);
    alignas(16) RowEntry up[kMaxRows];
    alignas(16) RowEntry down[kMaxRows];
    alignas(16) ColumnEntry left[kMaxColumns];
    alignas(16) ColumnEntry right[kMaxColumns];
    // The upper rows and left columns include the centre's own; the lower
    // rows and right columns start one past it.
    const int upCount = fillRows(up, pixels, g, true, 0);
    const int downCount = fillRows(down, pixels, g, false, 1);
    const int leftCount = fillColumns(left, g, true, 0);
    const int rightCount = fillColumns(right, g, false, 1);

    const ptrdiff_t centre = g.centreY * kStreakWidth + g.centreX;
    sweepQuadrant(up, upCount, left, leftCount, pixels, centre, -kStreakWidth, -1);
    sweepQuadrant(up, upCount, right, rightCount, pixels, centre + 1, -kStreakWidth, 1);
    sweepQuadrant(down, downCount, left, leftCount, pixels, centre + kStreakWidth, kStreakWidth, -1);
    sweepQuadrant(down, downCount, right, rightCount, pixels, centre + kStreakWidth + 1, kStreakWidth, 1);
}

#endif  // QUARNEL_X86_SIMD
