// The AVX2 streak pass. It splits the frame by how far a row lies from the
// centre row.
//
// Far rows: a row at distance i samples at distance i * step / 256, so once
// i * (256 - step) >= 256 both its sample rows lie strictly nearer the
// centre (the nearer one at most with weight 0). Every pixel of such a row
// reads only finished rows and its own old value, so the row is rewritten
// whole, eight adjacent pixels to a step, with one load and one store for the
// eight. With the strengths the callers use (step 223..255) that is most of
// the frame unless the step is close to 255.
//
// Near rows read their own row, one pixel after another; far enough from the
// centre column whole quads of four columns read only nearer columns and are
// rewritten like far rows, two rows at a time (see sweepOuterQuads). The
// rest go along the anti-diagonals of each quadrant as in the SSE2 kernel
// (see light_streaks_sse2.cpp for why that gives the row-by-row bytes), four
// independent pixels of a diagonal per step.
//
// Both use 32-bit lanes (left, right) of one colour byte from one sample row,
// weighted and added by one 16-bit multiply-add, and the same mix with the
// old value for four pixels at once. The one to three pixels left at the end
// of a diagonal take a 16-bit product path instead.
//
// Only x86 GCC/Clang build this file; the functions carry their own target
// attribute (the file needs no special compile flag), and the caller checks
// the CPU before calling in. Everything here is local to this file, so no
// AVX2 code can stand in for a shared inline function elsewhere.
#include "effects/streaks/light_streaks_kernels.h"

#if defined(QUARNEL_X86_SIMD)
#include <immintrin.h>

#include <cstddef>

#define STREAKS_AVX2 __attribute__((target("avx2")))
#define STREAKS_AVX2_INLINE __attribute__((target("avx2"), always_inline)) inline

namespace {

// One row of a quadrant: the sample rows' weights, scaled by 256 so that a
// high-half multiply by a column weight gives (column weight * row weight)
// >> 8, and the upper sample row (the lower one is the next row).
struct alignas(32) RowEntry {
    __m256i weights;       // 256 * wA in lanes 0..7, 256 * wB in lanes 8..15
    const uint32_t* rowA;  // the row weighted by wA
};

// One column of a quadrant: the first column of the neighbour pair, read
// with one 64-bit load per sample row, and the pair's horizontal weights
// (the zero lanes make the sample's fourth byte 0).
struct alignas(32) ColumnEntry {
    __m128i weights;  // w0 w0 w0 0 w1 w1 w1 0
    ptrdiff_t pairColumn;
};

// The same weights, compact, for whole steps of four pixels: per row
// (256 * wA, 256 * wA, 256 * wB, 256 * wB), per column (w0, w1, w0, w1). The
// four rows and four columns of a step, read with one load each and
// multiplied, give each pixel's (w00, w01, w10, w11).
struct PairWeights {
    uint16_t lanes[4];
};

constexpr int kMaxRows = kStreakHeight;
constexpr int kMaxColumns = kStreakWidth;
// Rows swept together. Long diagonals keep the short, latency-bound ones at
// the ends of a band rare; a band's rows still fit the second-level cache.
constexpr int kBandRows = 128;

constexpr int minInt(int a, int b) { return a < b ? a : b; }
constexpr int maxInt(int a, int b) { return a > b ? a : b; }

// Rows at distance first, first + 1, ... from the centre row, up or down,
// at most limit of them (the near rows: the others are rewritten whole).
// A sample in the last row lies exactly on it (fy is 0): the row before is
// read with it instead and the weights swap, so nothing past the buffer is
// read (the extra row gets weight 0).
int fillRows(RowEntry* rows, PairWeights* pairWeights, const uint32_t* pixels, const StreakGeometry& g, bool up,
             int first, int limit)
{
    const int count = minInt(up ? g.centreY + 1 - first : kStreakHeight - g.centreY - first, limit);
    const uint32_t cy = static_cast<uint32_t>(g.centreY);
    for (int i = 0; i < count; ++i) {
        const uint32_t d = static_cast<uint32_t>(first + i);
        const uint32_t sy = up ? cy * 256 - d * g.step : cy * 256 + d * g.step;
        uint32_t iy = sy >> 8;
        uint32_t wA = 255 - (sy & 255);
        uint32_t wB = sy & 255;
        if (iy == kStreakHeight - 1) {
            iy -= 1;
            wB = wA;
            wA = 0;
        }
        alignas(32) uint16_t lanes[16];
        for (int lane = 0; lane < 8; ++lane) {
            lanes[lane] = static_cast<uint16_t>(wA << 8);
            lanes[lane + 8] = static_cast<uint16_t>(wB << 8);
        }
        __builtin_memcpy(&rows[i].weights, lanes, sizeof lanes);
        rows[i].rowA = pixels + iy * kStreakWidth;
        pairWeights[i] = {{static_cast<uint16_t>(wA << 8), static_cast<uint16_t>(wA << 8),
                           static_cast<uint16_t>(wB << 8), static_cast<uint16_t>(wB << 8)}};
    }
    return count;
}

// Columns at distance first, first + 1, ... from the centre column, left or
// right; the pair shifts one column left at the last column, as the rows do.
// The compact weights go in reverse, farthest column first, so that the
// columns c, c - 1, c - 2, c - 3 of a diagonal step lie in a row.
int fillColumns(ColumnEntry* columns, PairWeights* reversedPairWeights, const StreakGeometry& g, bool left, int first)
{
    const int count = left ? g.centreX + 1 - first : kStreakWidth - g.centreX - first;
    const uint32_t cx = static_cast<uint32_t>(g.centreX);
    for (int i = 0; i < count; ++i) {
        const uint32_t d = static_cast<uint32_t>(first + i);
        const uint32_t sx = left ? cx * 256 - d * g.step : cx * 256 + d * g.step;
        int32_t pair = static_cast<int32_t>(sx >> 8);
        uint32_t w0 = 255 - (sx & 255);
        uint32_t w1 = sx & 255;
        if (pair == kStreakWidth - 1) {
            pair -= 1;
            w1 = w0;
            w0 = 0;
        }
        const uint16_t lanes[8] = {uint16_t(w0), uint16_t(w0), uint16_t(w0), 0,
                                   uint16_t(w1), uint16_t(w1), uint16_t(w1), 0};
        __builtin_memcpy(&columns[i].weights, lanes, sizeof lanes);
        columns[i].pairColumn = pair;
        reversedPairWeights[count - 1 - i] = {{uint16_t(w0), uint16_t(w1), uint16_t(w0), uint16_t(w1)}};
    }
    return count;
}

// The sixteen bilinear products of one pixel: upper row pair in lanes 0..7,
// lower row pair in lanes 8..15. Every weight is at most 254 and every
// product below 65536, so the 16-bit multiplies are exact.
STREAKS_AVX2_INLINE __m256i pixelProducts(const RowEntry& row, const ColumnEntry& column)
{
    // Broadcast loads and a blend put the pairs side by side without the
    // shuffle unit, which the rest of the step keeps busy.
    const uint32_t* a = row.rowA + column.pairColumn;
    const __m256i pairs =
        _mm256_blend_epi32(_mm256_broadcastq_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(a))),
                           _mm256_broadcastq_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(a + kStreakWidth))),
                           0xF0);
    const __m256i weights = _mm256_mulhi_epu16(_mm256_broadcastsi128_si256(column.weights), row.weights);
    return _mm256_mullo_epi16(_mm256_unpacklo_epi8(pairs, _mm256_setzero_si256()), weights);
}

// Rewrites four pixels of one diagonal (some may be the same pixel, which is
// then written more than once with the same value): the one to three pixels
// left at the end of a diagonal. Every read, old values included, happens
// before the first store.
STREAKS_AVX2_INLINE void streakFour(uint32_t* d0, uint32_t* d1, uint32_t* d2, uint32_t* d3, const RowEntry& r0,
                                    const RowEntry& r1, const RowEntry& r2, const RowEntry& r3,
                                    const ColumnEntry& c0, const ColumnEntry& c1, const ColumnEntry& c2,
                                    const ColumnEntry& c3)
{
    __m128i old = _mm_cvtsi32_si128(static_cast<int>(*d0));
    old = _mm_insert_epi32(old, static_cast<int>(*d1), 1);
    old = _mm_insert_epi32(old, static_cast<int>(*d2), 2);
    old = _mm_insert_epi32(old, static_cast<int>(*d3), 3);
    const __m256i p0 = pixelProducts(r0, c0);
    const __m256i p1 = pixelProducts(r1, c1);
    const __m256i p2 = pixelProducts(r2, c2);
    const __m256i p3 = pixelProducts(r3, c3);

    // Each pixel's products are [a0 a1 | b0 b1]: four lanes for each
    // neighbour, upper row a, lower row b. First a0 + a1 and b0 + b1, two
    // pixels to a register: [a(p0) a(p1) | b(p0) b(p1)] ...
    const __m256i s01 = _mm256_add_epi16(_mm256_unpacklo_epi64(p0, p1), _mm256_unpackhi_epi64(p0, p1));
    const __m256i s23 = _mm256_add_epi16(_mm256_unpacklo_epi64(p2, p3), _mm256_unpackhi_epi64(p2, p3));
    // ... then a + b, giving the sums of pixels [p0 p1 | p2 p3]. The
    // four products of a byte add up to at most 254 * 255, so no sum wraps.
    const __m256i sums = _mm256_add_epi16(_mm256_permute2x128_si256(s01, s23, 0x21),
                                          _mm256_blend_epi32(s01, s23, 0xF0));

    // new = (S * 200 + old * 55) >> 8 with S = sum >> 8, written as
    // (256 * S + (55 * old - 56 * S)) >> 8: one unsigned-by-signed byte
    // multiply-add of (old, S) by (55, -56) gives the bracket (at most 14168
    // in size, so it never saturates), and the total, 200 * S + 55 * old,
    // lies in 0..64625, so the 16-bit add wraps back to it exactly.
    const __m256i sampleHigh = _mm256_and_si256(sums, _mm256_set1_epi16(static_cast<short>(0xFF00)));
    const __m256i oldAndSample = _mm256_or_si256(_mm256_cvtepu8_epi16(old), sampleHigh);
    const __m256i bracket = _mm256_maddubs_epi16(oldAndSample, _mm256_set1_epi16(static_cast<short>(0xC837)));
    const __m256i mixed = _mm256_srli_epi16(_mm256_add_epi16(sampleHigh, bracket), 8);
    const __m128i packed = _mm_packus_epi16(_mm256_castsi256_si128(mixed), _mm256_extracti128_si256(mixed, 1));

    *d0 = static_cast<uint32_t>(_mm_cvtsi128_si32(packed));
    *d1 = static_cast<uint32_t>(_mm_extract_epi32(packed, 1));
    *d2 = static_cast<uint32_t>(_mm_extract_epi32(packed, 2));
    *d3 = static_cast<uint32_t>(_mm_extract_epi32(packed, 3));
}

// A pixel's two neighbour pairs in one 128-bit half: upper row pair, lower
// row pair. Broadcast loads and blends keep this off the shuffle unit, which
// the rest of the step keeps busy.
STREAKS_AVX2_INLINE __m256i neighbourPairs(const RowEntry& row, const ColumnEntry& column)
{
    const uint32_t* a = row.rowA + column.pairColumn;
    const __m128i* upper = reinterpret_cast<const __m128i*>(a);
    const __m128i* lower = reinterpret_cast<const __m128i*>(a + kStreakWidth);
    return _mm256_blend_epi32(_mm256_broadcastq_epi64(_mm_loadl_epi64(upper)),
                              _mm256_broadcastq_epi64(_mm_loadl_epi64(lower)), 0xCC);
}

// Rewrites four distinct pixels of one diagonal, pixel k at row r + k and
// column c - k (row[k], column[-k]). Pixels 0 and 2 share one register, 1
// and 3 another. A byte pick spreads each pixel's pairs into 32-bit lanes
// holding (left, right) of one colour byte, and one 16-bit multiply-add per
// sample row weights and adds each pair (bytes and weights of at most 254
// are far inside its signed range), giving per pixel four 32-bit lanes
// (blue, green, red, 0) once the two rows are added.
STREAKS_AVX2_INLINE void streakFourDistinct(uint32_t* d, ptrdiff_t step, const RowEntry* row, const ColumnEntry* column,
                                            const PairWeights* rowWeights, const PairWeights* columnWeights)
{
    uint32_t* const d1 = d + step;
    uint32_t* const d2 = d + 2 * step;
    uint32_t* const d3 = d + 3 * step;
    // Old values as bytes [p0 p1 . . | p2 p3 . .], widened in place.
    const __m256i old01 = _mm256_blend_epi32(_mm256_set1_epi32(static_cast<int>(*d)),
                                             _mm256_set1_epi32(static_cast<int>(*d1)), 0x02);
    const __m256i old23 = _mm256_blend_epi32(_mm256_set1_epi32(static_cast<int>(*d2)),
                                             _mm256_set1_epi32(static_cast<int>(*d3)), 0x20);
    const __m256i old = _mm256_unpacklo_epi8(_mm256_blend_epi32(old01, old23, 0xF0), _mm256_setzero_si256());

    const __m256i even =
        _mm256_blend_epi32(neighbourPairs(row[0], column[0]), neighbourPairs(row[2], column[-2]), 0xF0);
    const __m256i odd =
        _mm256_blend_epi32(neighbourPairs(row[1], column[-1]), neighbourPairs(row[3], column[-3]), 0xF0);
    // (w00 w01 w10 w11) of pixels [0 1 | 2 3]: (w0 * 256 wA) >> 16 is
    // exactly (w0 * wA) >> 8, and so on.
    const __m256i weights =
        _mm256_mulhi_epu16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(columnWeights)),
                           _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rowWeights)));
    const __m256i pickUpper = _mm256_setr_epi8(0, -128, 4, -128, 1, -128, 5, -128, 2, -128, 6, -128, -128, -128, -128,
                                               -128, 0, -128, 4, -128, 1, -128, 5, -128, 2, -128, 6, -128, -128, -128,
                                               -128, -128);
    const __m256i pickLower = _mm256_setr_epi8(8, -128, 12, -128, 9, -128, 13, -128, 10, -128, 14, -128, -128, -128,
                                               -128, -128, 8, -128, 12, -128, 9, -128, 13, -128, 10, -128, 14, -128,
                                               -128, -128, -128, -128);
    const __m256i sumsEven =
        _mm256_add_epi32(_mm256_madd_epi16(_mm256_shuffle_epi8(even, pickUpper), _mm256_shuffle_epi32(weights, 0x00)),
                         _mm256_madd_epi16(_mm256_shuffle_epi8(even, pickLower), _mm256_shuffle_epi32(weights, 0x55)));
    const __m256i sumsOdd =
        _mm256_add_epi32(_mm256_madd_epi16(_mm256_shuffle_epi8(odd, pickUpper), _mm256_shuffle_epi32(weights, 0xAA)),
                         _mm256_madd_epi16(_mm256_shuffle_epi8(odd, pickLower), _mm256_shuffle_epi32(weights, 0xFF)));
    // Sums of at most 64770 pack to 16 bits unchanged: pixels [0 1 | 2 3].
    const __m256i sampleHigh =
        _mm256_and_si256(_mm256_packus_epi32(sumsEven, sumsOdd), _mm256_set1_epi16(static_cast<short>(0xFF00)));
    const __m256i bracket =
        _mm256_maddubs_epi16(_mm256_or_si256(old, sampleHigh), _mm256_set1_epi16(static_cast<short>(0xC837)));
    const __m256i mixed = _mm256_srli_epi16(_mm256_add_epi16(sampleHigh, bracket), 8);
    const __m256i packed = _mm256_packus_epi16(mixed, mixed);
    const __m128i low = _mm256_castsi256_si128(packed);
    const __m128i high = _mm256_extracti128_si256(packed, 1);
    *d = static_cast<uint32_t>(_mm_cvtsi128_si32(low));
    *d1 = static_cast<uint32_t>(_mm_extract_epi32(low, 1));
    *d2 = static_cast<uint32_t>(_mm_cvtsi128_si32(high));
    *d3 = static_cast<uint32_t>(_mm_extract_epi32(high, 1));
}

// One quadrant, rows[r] x columns[c] with r and c counted outward from the
// centre; pixel (r, c) is pixels[origin + r * rowStride + c * columnStride].
// Bands of rows go outward in turn; within a band, diagonal t holds the
// pixels with r + c == t (r relative to the band), which read only earlier
// diagonals, earlier bands and earlier quadrants.
STREAKS_AVX2 void sweepQuadrant(const RowEntry* rows, const PairWeights* rowWeights, int rowCount,
                                const ColumnEntry* columns, const PairWeights* reversedColumnWeights, int columnCount,
                                uint32_t* pixels, ptrdiff_t origin, ptrdiff_t rowStride, ptrdiff_t columnStride)
{
    if (rowCount <= 0 || columnCount <= 0)
        return;
    // Along a diagonal, one row outward and one column back.
    const ptrdiff_t step = rowStride - columnStride;
    for (int band = 0; band < rowCount; band += kBandRows) {
        const RowEntry* bandRows = rows + band;
        const int bandCount = minInt(kBandRows, rowCount - band);
        const ptrdiff_t bandOrigin = origin + band * rowStride;
        for (int t = 0; t < bandCount + columnCount - 1; ++t) {
            const int rLast = minInt(bandCount - 1, t);
            int r = maxInt(0, t - (columnCount - 1));
            // An index rather than a pointer: after the last group it may
            // step outside the buffer.
            ptrdiff_t dst = bandOrigin + r * rowStride + (t - r) * columnStride;
            for (; r + 3 <= rLast; r += 4, dst += 4 * step) {
                streakFourDistinct(pixels + dst, step, bandRows + r, columns + (t - r), rowWeights + band + r,
                                   reversedColumnWeights + (columnCount - 1 - (t - r)));
            }
            if (r <= rLast) {
                // One to three pixels left: the last one fills the group.
                const int k1 = minInt(r + 1, rLast) - r;
                const int k2 = minInt(r + 2, rLast) - r;
                const RowEntry* row = bandRows + r;
                const ColumnEntry* column = columns + (t - r);
                uint32_t* d = pixels + dst;
                streakFour(d, d + k1 * step, d + k2 * step, d + k2 * step, row[0], row[k1], row[k2], row[k2],
                           column[0], column[-k1], column[-k2], column[-k2]);
            }
        }
    }
}

// Far rows (see the top of the file). The columns' sample positions depend
// only on the centre column and the step, so each group of eight columns is
// tabled once per call. Pixel k of a group is worked on in register k & 3,
// in its low half for k < 4 and its high half for k >= 4, so that after the
// sums are packed the pixels lie as [0 1 | 4 5] and [2 3 | 6 7]: exactly the
// halves of one 32-byte load of the old pixels spread to 16-bit lanes, and
// the mixed halves pack back into one 32-byte store in pixel order.
//
// Pixels 0, 1 (and 4, 5) read from one 16-byte window of a sample row,
// pixels 2, 3 (and 6, 7) from another: sample columns grow by at most one per
// pixel, so three columns cover a pair. Byte picks spread each pixel's pair
// over 16-bit lanes as (left, right) per colour byte, and the pixels'
// horizontal weights lie in the same layout.
struct alignas(32) ColumnGroup {
    __m256i pick[4];     // register q: pixel q in the low half, q + 4 in the high half
    __m256i weights[4];  // (w0 w1) for each colour byte, 0 for the fourth, same layout
    ptrdiff_t window[4]; // first columns of the windows: pixels 0 1, 4 5, 2 3, 6 7
};

constexpr int kGroupPixels = 8;
constexpr int kGroups = kStreakWidth / kGroupPixels;
// Near rows take their outer columns four at a time (half a group), from the
// same tables: a quad reads only columns nearer the centre than itself from
// about half as far out as a group of eight would.
constexpr int kQuadPixels = kGroupPixels / 2;
constexpr int kQuads = kStreakWidth / kQuadPixels;

// How many rows, counted from the centre row outward, read their own row.
int nearRowCount(const StreakGeometry& g)
{
    const int d = 256 - static_cast<int>(g.step);
    return 255 / d + 1;
}

void fillColumnGroups(ColumnGroup* groups, const StreakGeometry& g)
{
    const uint32_t cx = static_cast<uint32_t>(g.centreX);
    for (int group = 0; group < kGroups; ++group) {
        // Per pixel and colour byte, one 32-bit lane: the picks (left, zero,
        // right, zero) and the weights (w0, w1).
        uint32_t pick[4][8];
        uint32_t weights[4][8];
        ptrdiff_t window[4] = {0, 0, 0, 0};
        for (int k = 0; k < kGroupPixels; ++k) {
            const int x = kGroupPixels * group + k;
            // Left of and on the centre the sample moves right of x, right of
            // it left of x; either way the sample columns never decrease
            // with x and grow by at most one per column.
            const uint32_t sx = x <= g.centreX ? cx * 256 - static_cast<uint32_t>(g.centreX - x) * g.step
                                               : cx * 256 + static_cast<uint32_t>(x - g.centreX) * g.step;
            const int ix = static_cast<int>(sx >> 8);
            const uint32_t fx = sx & 255;
            const int reg = k & 3;
            const int half = k >> 2;
            // Windows in the order the kernel loads them: [0 1 | 4 5], [2 3 | 6 7].
            const int w = 2 * (reg >> 1) + half;
            if ((k & 1) == 0)
                window[w] = ix < kStreakWidth - 4 ? ix : kStreakWidth - 4;
            const uint32_t first = static_cast<uint32_t>(ix - window[w]);
            // The right neighbour of a sample exactly on the last column is
            // past the row; its weight is 0 and it is not read (0x80 picks 0).
            const uint32_t right = ix + 1 < kStreakWidth ? (4 * first + 4) << 16 : 0x800000u;
            const uint32_t blue = 0x80008000u | right | 4 * first;
            for (uint32_t channel = 0; channel < 3; ++channel) {
                pick[reg][4 * half + channel] = blue + (ix + 1 < kStreakWidth ? 0x10001u : 1u) * channel;
                weights[reg][4 * half + channel] = (255 - fx) | fx << 16;
            }
            // The fourth byte of the sample is 0: nothing is picked for it.
            pick[reg][4 * half + 3] = 0x80808080u;
            weights[reg][4 * half + 3] = 0;
        }
        for (int reg = 0; reg < 4; ++reg) {
            __builtin_memcpy(&groups[group].pick[reg], pick[reg], 32);
            __builtin_memcpy(&groups[group].weights[reg], weights[reg], 32);
            groups[group].window[reg] = window[reg];
        }
    }
}

// Two 16-byte windows of one sample row side by side.
STREAKS_AVX2_INLINE __m256i rowWindows(const uint32_t* row, ptrdiff_t low, ptrdiff_t high)
{
    return _mm256_blend_epi32(
        _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row + low))),
        _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row + high))), 0xF0);
}

// The colour sums of the pixels of register q: (left, right) byte pairs
// times their bilinear weights, added in pairs to 32 bits, per pixel one
// lane for each colour byte. Every weight is (w0 * 256 wA) >> 16, exactly
// (w0 * wA) >> 8.
STREAKS_AVX2_INLINE __m256i farSums(__m256i upperPairs, __m256i lowerPairs, const ColumnGroup& g, int q,
                                    __m256i upperWeight, __m256i lowerWeight)
{
    const __m256i pick = _mm256_load_si256(&g.pick[q]);
    const __m256i weights = _mm256_load_si256(&g.weights[q]);
    return _mm256_add_epi32(
        _mm256_madd_epi16(_mm256_shuffle_epi8(upperPairs, pick), _mm256_mulhi_epu16(weights, upperWeight)),
        _mm256_madd_epi16(_mm256_shuffle_epi8(lowerPairs, pick), _mm256_mulhi_epu16(weights, lowerWeight)));
}

// The mix of 16-bit sums (sample in the high byte) with the old pixels
// spread to 16-bit lanes, as in the diagonal sweep.
STREAKS_AVX2_INLINE __m256i mixWithOld(__m256i sums, __m256i old)
{
    const __m256i sampleHigh = _mm256_and_si256(sums, _mm256_set1_epi16(static_cast<short>(0xFF00)));
    const __m256i bracket =
        _mm256_maddubs_epi16(_mm256_or_si256(old, sampleHigh), _mm256_set1_epi16(static_cast<short>(0xC837)));
    return _mm256_srli_epi16(_mm256_add_epi16(sampleHigh, bracket), 8);
}

// Rewrites the eight pixels of one column group in row dst from sample rows
// upper and lower (lower may be upper itself when its weight is 0); the
// vertical weights come as 256 * weight in every lane.
STREAKS_AVX2_INLINE void streakGroup(uint32_t* dstRow, const uint32_t* upper, const uint32_t* lower,
                                     __m256i upperWeight, __m256i lowerWeight, const ColumnGroup* groups, int group)
{
    const ColumnGroup& g = groups[group];
    uint32_t* const dst = dstRow + kGroupPixels * group;
    const __m256i upper01 = rowWindows(upper, g.window[0], g.window[1]);
    const __m256i lower01 = rowWindows(lower, g.window[0], g.window[1]);
    const __m256i upper23 = rowWindows(upper, g.window[2], g.window[3]);
    const __m256i lower23 = rowWindows(lower, g.window[2], g.window[3]);
    // Sums of at most 64770 pack to 16 bits unchanged: [0 1 | 4 5], [2 3 | 6 7].
    const __m256i sums01 = _mm256_packus_epi32(farSums(upper01, lower01, g, 0, upperWeight, lowerWeight),
                                               farSums(upper01, lower01, g, 1, upperWeight, lowerWeight));
    const __m256i sums23 = _mm256_packus_epi32(farSums(upper23, lower23, g, 2, upperWeight, lowerWeight),
                                               farSums(upper23, lower23, g, 3, upperWeight, lowerWeight));
    const __m256i old = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dst));
    const __m256i zero = _mm256_setzero_si256();
    const __m256i mixed01 = mixWithOld(sums01, _mm256_unpacklo_epi8(old, zero));
    const __m256i mixed23 = mixWithOld(sums23, _mm256_unpackhi_epi8(old, zero));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst), _mm256_packus_epi16(mixed01, mixed23));
}

// The sample rows of the row at distance i from the centre row, and their
// weights (256 * weight in every lane).
struct SampleRows {
    const uint32_t* upper;
    const uint32_t* lower;
    __m256i upperWeight;
    __m256i lowerWeight;
};

STREAKS_AVX2_INLINE SampleRows sampleRows(uint32_t* pixels, const StreakGeometry& g, bool up, int i)
{
    const uint32_t cy = static_cast<uint32_t>(g.centreY);
    const uint32_t d = static_cast<uint32_t>(i);
    const uint32_t sy = up ? cy * 256 - d * g.step : cy * 256 + d * g.step;
    const uint32_t fy = sy & 255;
    SampleRows rows;
    rows.upper = pixels + (sy >> 8) * kStreakWidth;
    // A sample exactly on a row (possibly the last) reads no row below it.
    rows.lower = fy != 0 ? rows.upper + kStreakWidth : rows.upper;
    rows.upperWeight = _mm256_set1_epi16(static_cast<short>((255 - fy) << 8));
    rows.lowerWeight = _mm256_set1_epi16(static_cast<short>(fy << 8));
    return rows;
}

// Four pixels at low in the low half, four at high in the high half.
STREAKS_AVX2_INLINE __m256i twoQuads(const uint32_t* low, const uint32_t* high)
{
    return _mm256_inserti128_si256(
        _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(low))),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(high)), 1);
}

// The colour sums of pixel q of a quad in both rows: as farSums, with the
// quad's half of the group's picks and weights in both halves.
STREAKS_AVX2_INLINE __m256i quadSums(__m256i upperPairs, __m256i lowerPairs, const ColumnGroup& g, int q, int half,
                                     __m256i upperWeight, __m256i lowerWeight)
{
    const __m256i pick = _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(&g.pick[q]) + half));
    const __m256i weights =
        _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(&g.weights[q]) + half));
    return _mm256_add_epi32(
        _mm256_madd_epi16(_mm256_shuffle_epi8(upperPairs, pick), _mm256_mulhi_epu16(weights, upperWeight)),
        _mm256_madd_epi16(_mm256_shuffle_epi8(lowerPairs, pick), _mm256_mulhi_epu16(weights, lowerWeight)));
}

// Rewrites the four pixels of one quad (columns 4 * quad .. 4 * quad + 3,
// one half of a column group) in two rows at once: row a in the low half of
// every register, row b in the high half (b may be a itself, which is then
// written twice with the same value). The quad's columns sample the same
// columns in every row, so both halves take the quad's half of the group's
// picks and weights, and its windows: those of pixels 0 1 and 2 3 (low
// half of the group) or 4 5 and 6 7 (high half). Every read happens before
// the stores.
STREAKS_AVX2_INLINE void streakQuadPair(uint32_t* dstA, uint32_t* dstB, const SampleRows& a, const SampleRows& b,
                                        const ColumnGroup* groups, int quad)
{
    const ColumnGroup& g = groups[quad >> 1];
    const int half = quad & 1;
    const ptrdiff_t offset = kQuadPixels * quad;
    const __m256i upperWeight = _mm256_blend_epi32(a.upperWeight, b.upperWeight, 0xF0);
    const __m256i lowerWeight = _mm256_blend_epi32(a.lowerWeight, b.lowerWeight, 0xF0);
    const __m256i upper01 = twoQuads(a.upper + g.window[half], b.upper + g.window[half]);
    const __m256i lower01 = twoQuads(a.lower + g.window[half], b.lower + g.window[half]);
    const __m256i upper23 = twoQuads(a.upper + g.window[2 + half], b.upper + g.window[2 + half]);
    const __m256i lower23 = twoQuads(a.lower + g.window[2 + half], b.lower + g.window[2 + half]);
    // Per half: [0 1] and [2 3] of its row, as the old pixels spread to
    // 16-bit lanes lie.
    const __m256i sums01 = _mm256_packus_epi32(quadSums(upper01, lower01, g, 0, half, upperWeight, lowerWeight),
                                               quadSums(upper01, lower01, g, 1, half, upperWeight, lowerWeight));
    const __m256i sums23 = _mm256_packus_epi32(quadSums(upper23, lower23, g, 2, half, upperWeight, lowerWeight),
                                               quadSums(upper23, lower23, g, 3, half, upperWeight, lowerWeight));
    const __m256i old = twoQuads(dstA + offset, dstB + offset);
    const __m256i zero = _mm256_setzero_si256();
    const __m256i mixed = _mm256_packus_epi16(mixWithOld(sums01, _mm256_unpacklo_epi8(old, zero)),
                                              mixWithOld(sums23, _mm256_unpackhi_epi8(old, zero)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dstA + offset), _mm256_castsi256_si128(mixed));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dstB + offset), _mm256_extracti128_si256(mixed, 1));
}

// Rows first, first + 1, ..., last (distances from the centre row) of one
// half, outward, each as a whole far row.
STREAKS_AVX2 void sweepFarRows(uint32_t* pixels, const StreakGeometry& g, bool up, int first, int last,
                               const ColumnGroup* groups)
{
    for (int i = first; i <= last; ++i) {
        const SampleRows s = sampleRows(pixels, g, up, i);
        uint32_t* const dstRow = pixels + (up ? g.centreY - i : g.centreY + i) * kStreakWidth;
        for (int group = 0; group < kGroups; ++group)
            streakGroup(dstRow, s.upper, s.lower, s.upperWeight, s.lowerWeight, groups, group);
    }
}

// Near rows read their own row, but only nearer the centre column than the
// pixel: a pixel at distance j reads columns at distance about j * step /
// 256. Far enough out, a whole block of columns reads only columns nearer
// the centre than all of its own pixels. Such outer blocks of the near rows
// are rewritten whole once the diagonal sweep has done the inner columns,
// each after every column it reads (with a non-zero weight) is rewritten.
//
// The left outer blocks of a width are 0 .. count - 1: each lies left of (or
// ends on) the centre column, and its farthest pixel, which samples farthest
// out, has its sample's left column right of the block (the right column
// then lies nearer still, or is the one just past the centre with weight 0).
int leftOuterBlocks(const StreakGeometry& g, int width)
{
    const uint32_t cx = static_cast<uint32_t>(g.centreX);
    const int blocks = kStreakWidth / width;
    int count = 0;
    while (count < blocks) {
        const int x = width * count;
        if (x + width - 1 > g.centreX)
            break;
        const uint32_t sx = cx * 256 - static_cast<uint32_t>(g.centreX - x) * g.step;
        if (static_cast<int>(sx >> 8) < x + width)
            break;
        ++count;
    }
    return count;
}

// The right outer blocks are first .. (kStreakWidth / width) - 1: each lies
// right of the centre column, and its farthest pixel reads (with a non-zero
// weight) only columns left of the block.
int rightOuterFirst(const StreakGeometry& g, int width)
{
    const uint32_t cx = static_cast<uint32_t>(g.centreX);
    int first = kStreakWidth / width;
    while (first > 0) {
        const int x0 = width * (first - 1);
        if (x0 <= g.centreX)
            break;
        const int x = x0 + width - 1;
        const uint32_t sx = cx * 256 + static_cast<uint32_t>(x - g.centreX) * g.step;
        const int farthestRead = static_cast<int>(sx >> 8) + ((sx & 255) != 0 ? 1 : 0);
        if (farthestRead >= x0)
            break;
        --first;
    }
    return first;
}

// The outer quads of the near rows at distances first .. last of one half,
// two rows at a time. A pair of rows reads nothing of the pairs farther out,
// and a quad reads, in its own pair and the nearer ones, only columns nearer
// the centre than itself. So a wavefront gives the bytes of the row-by-row
// order: at time t, pair p rewrites its quad t - p counted from the centre
// out (on each side), after pair p - 1 has done that quad and all before
// it. The quads of one time step do not depend on each other, so their
// loads need not wait for the stores just made, as they would going along
// one row.
STREAKS_AVX2 void sweepOuterQuads(uint32_t* pixels, const StreakGeometry& g, bool up, int first, int last,
                                  int leftQuads, int rightFirstQuad, const ColumnGroup* groups)
{
    constexpr int kMaxPairs = (kStreakHeight + 1) / 2;
    struct RowPair {
        SampleRows a, b;
        uint32_t* dstA;
        uint32_t* dstB;
    };
    RowPair pairs[kMaxPairs];
    int pairCount = 0;
    for (int i = first; i <= last; i += 2) {
        const int i2 = i + 1 <= last ? i + 1 : i;
        RowPair& pair = pairs[pairCount++];
        pair.a = sampleRows(pixels, g, up, i);
        pair.b = sampleRows(pixels, g, up, i2);
        pair.dstA = pixels + (up ? g.centreY - i : g.centreY + i) * kStreakWidth;
        pair.dstB = pixels + (up ? g.centreY - i2 : g.centreY + i2) * kStreakWidth;
    }
    const int rightQuads = kQuads - rightFirstQuad;
    const int quads = maxInt(leftQuads, rightQuads);
    for (int t = 0; t + 1 < quads + pairCount; ++t) {
        for (int p = maxInt(0, t - quads + 1); p <= minInt(t, pairCount - 1); ++p) {
            const RowPair& pair = pairs[p];
            const int k = t - p;
            if (k < leftQuads)
                streakQuadPair(pair.dstA, pair.dstB, pair.a, pair.b, groups, leftQuads - 1 - k);
            if (k < rightQuads)
                streakQuadPair(pair.dstA, pair.dstB, pair.a, pair.b, groups, rightFirstQuad + k);
        }
    }
}

}  // namespace

STREAKS_AVX2 void applyLightStreaksAvx2(uint32_t* pixels, int32_t centreX, int32_t centreY, int32_t strength)
{
    const StreakGeometry g = streakGeometry(centreX, centreY, strength);
    RowEntry up[kMaxRows];
    RowEntry down[kMaxRows];
    ColumnEntry left[kMaxColumns];
    ColumnEntry right[kMaxColumns];
    PairWeights upWeights[kMaxRows];
    PairWeights downWeights[kMaxRows];
    PairWeights leftWeights[kMaxColumns];
    PairWeights rightWeights[kMaxColumns];
    // The upper rows and left columns include the centre's own; the lower
    // rows and right columns start one past it.
    const int nearRows = nearRowCount(g);
    const int upNear = fillRows(up, upWeights, pixels, g, true, 0, nearRows);
    const int downNear = fillRows(down, downWeights, pixels, g, false, 1, nearRows - 1);
    const int leftCount = fillColumns(left, leftWeights, g, true, 0);
    const int rightCount = fillColumns(right, rightWeights, g, false, 1);

    // Quads far enough out are rewritten whole in the near rows too; the diagonal sweep keeps the columns between them (the
    // reversed compact weights then start that many entries later).
    const int leftQuads = leftOuterBlocks(g, kQuadPixels);
    const int rightFirstQuad = rightOuterFirst(g, kQuadPixels);
    const int leftInner = leftCount - kQuadPixels * leftQuads;
    const int rightInner = rightCount - kQuadPixels * (kQuads - rightFirstQuad);
    const PairWeights* leftInnerWeights = leftWeights + (leftCount - leftInner);
    const PairWeights* rightInnerWeights = rightWeights + (rightCount - rightInner);

    // With a step close to 255 every row is near and every column inner;
    // then no table is needed.
    ColumnGroup groups[kGroups];
    if (upNear <= g.centreY || downNear + 1 <= kStreakHeight - 1 - g.centreY || leftQuads > 0 ||
        rightFirstQuad < kQuads)
        fillColumnGroups(groups, g);

    // The near rows of each half go along diagonals, quadrant by quadrant:
    // upper left first (centre row and column included), then upper right
    // (reads the centre column); then their outer quads, and the far rows
    // of the half, outward. Then the same below: lower left (reads the
    // centre row), lower right.
    const ptrdiff_t centre = g.centreY * kStreakWidth + g.centreX;
    const ptrdiff_t below = centre + kStreakWidth;
    sweepQuadrant(up, upWeights, upNear, left, leftInnerWeights, leftInner, pixels, centre, -kStreakWidth, -1);
    sweepQuadrant(up, upWeights, upNear, right, rightInnerWeights, rightInner, pixels, centre + 1, -kStreakWidth, 1);
    sweepOuterQuads(pixels, g, true, 0, upNear - 1, leftQuads, rightFirstQuad, groups);
    sweepFarRows(pixels, g, true, upNear, g.centreY, groups);
    sweepQuadrant(down, downWeights, downNear, left, leftInnerWeights, leftInner, pixels, below, kStreakWidth, -1);
    sweepQuadrant(down, downWeights, downNear, right, rightInnerWeights, rightInner, pixels, below + 1, kStreakWidth,
                  1);
    sweepOuterQuads(pixels, g, false, 1, downNear, leftQuads, rightFirstQuad, groups);
    sweepFarRows(pixels, g, false, downNear + 1, kStreakHeight - 1 - g.centreY, groups);
}

#endif  // QUARNEL_X86_SIMD
