// The SSE2 streak pass. A pixel's bytes are widened to 16-bit lanes with the
// two horizontal neighbours interleaved (p0.b p1.b p0.g p1.g ...), so one
// multiply-add per sample row weighs both neighbours of every byte at once.
// The pass is recursive (samples read pixels rewritten moments earlier, often
// the previous pixel of the same run), so speed comes from keeping several
// independent chains in flight: once the centre row is done, the row i above
// and the row i below the centre never read each other's pixels, and within
// a row the left and right runs are independent after the centre column.
#include "effects/light_streaks_kernels.h"

#if defined(__SSE2__)
#include <emmintrin.h>

namespace {

// What a row needs beyond the column position: where it is written, the two
// rows it samples from and the vertical weights 255 - fy and fy.
struct StreakRow {
    uint32_t* dst;
    const uint32_t* rowA;  // row iy
    const uint32_t* rowB;  // row iy2: iy + 1, or iy itself when fy is 0
    __m128i weightA;       // 255 - fy in every lane
    __m128i weightB;       // fy in every lane
};

StreakRow makeRow(uint32_t* pixels, const StreakGeometry& g, int y)
{
    const uint32_t cy = static_cast<uint32_t>(g.centreY);
    const uint32_t sy = y <= g.centreY ? cy * 256 - static_cast<uint32_t>(g.centreY - y) * g.step
                                       : cy * 256 + static_cast<uint32_t>(y - g.centreY) * g.step;
    const uint32_t fy = sy & 255;
    StreakRow row;
    row.dst = pixels + y * kStreakWidth;
    row.rowA = pixels + (sy >> 8) * kStreakWidth;
    row.rowB = pixels + ((sy + 255) >> 8) * kStreakWidth;
    row.weightA = _mm_set1_epi16(static_cast<short>(255 - fy));
    row.weightB = _mm_set1_epi16(static_cast<short>(fy));
    return row;
}

// Two horizontal neighbours as 16-bit lanes p0.b p1.b p0.g p1.g p0.r p1.r p0.x p1.x.
// Two 32-bit loads rather than one 64-bit load: the left one is often the
// pixel stored just before, and a load matching that store's size is
// forwarded from it without a stall.
inline __m128i loadNeighbours(const uint32_t* row, uint32_t ix, uint32_t ix1)
{
    const __m128i p0 = _mm_cvtsi32_si128(static_cast<int>(row[ix]));
    const __m128i p1 = _mm_cvtsi32_si128(static_cast<int>(row[ix1]));
    return _mm_unpacklo_epi8(_mm_unpacklo_epi8(p0, p1), _mm_setzero_si128());
}

// The bilinear sample as 32-bit lanes b, g, r, 0. columnWeights holds
// 255 - fx, fx for each colour byte and 0, 0 for the fourth, which makes the
// sample's fourth byte 0.
inline __m128i bilinearSample(const StreakRow& row, uint32_t ix, uint32_t ix1, __m128i columnWeights)
{
    // (255 - fx)(255 - fy) etc. stay below 65536, so the 16-bit products and
    // the logical shift are exact.
    const __m128i wA = _mm_srli_epi16(_mm_mullo_epi16(columnWeights, row.weightA), 8);
    const __m128i wB = _mm_srli_epi16(_mm_mullo_epi16(columnWeights, row.weightB), 8);
    const __m128i sum = _mm_add_epi32(_mm_madd_epi16(loadNeighbours(row.rowA, ix, ix1), wA),
                                      _mm_madd_epi16(loadNeighbours(row.rowB, ix, ix1), wB));
    return _mm_srli_epi32(sum, 8);
}

// (sample * 200 + old * 55) >> 8 in 16-bit lanes; the largest sum,
// 253 * 200 + 255 * 55, still fits in 16 unsigned bits.
inline __m128i mixWithOld(__m128i sample16, __m128i old16)
{
    __m128i sampleFactor = _mm_set1_epi16(200);
    __m128i oldFactor = _mm_set1_epi16(55);
#if defined(__GNUC__)
    // Hide the factors from the optimiser: it would otherwise replace each
    // single multiply by a chain of four shifts and adds, which is slower
    // here and lengthens the dependency chain from one pixel to the next.
    __asm__("" : "+x"(sampleFactor), "+x"(oldFactor));
#endif
    return _mm_srli_epi16(
        _mm_add_epi16(_mm_mullo_epi16(sample16, sampleFactor), _mm_mullo_epi16(old16, oldFactor)), 8);
}

// Steps the 8.8 column position. The vector copy keeps sx modulo 65536 in
// 16-bit lanes, which is enough: only its low byte, fx, is used there.
struct ColumnWalk {
    uint32_t sx;
    uint32_t sxStep;
    __m128i sxLanes;
    __m128i stepLanes;

    ColumnWalk(uint32_t start, uint32_t stepBy)
        : sx(start), sxStep(stepBy), sxLanes(_mm_set1_epi16(static_cast<short>(start & 0xFFFF))),
          stepLanes(_mm_set1_epi16(static_cast<short>(stepBy & 0xFFFF)))
    {
    }

    // Lanes 255 - fx, fx, 255 - fx, fx, 255 - fx, fx, 0, 0.
    __m128i columnWeights() const
    {
        const __m128i fractionMask = _mm_set_epi16(0, 0, 255, 255, 255, 255, 255, 255);
        const __m128i complement = _mm_set_epi16(0, 0, 0, 255, 0, 255, 0, 255);
        return _mm_xor_si128(_mm_and_si128(sxLanes, fractionMask), complement);
    }
    uint32_t left() const { return sx >> 8; }
    // The right neighbour's column; equal to left() when fx is 0, where its
    // weight is 0 and column 320 must not be read.
    uint32_t right() const { return (sx + 255) >> 8; }

    void advance()
    {
        sx += sxStep;
        sxLanes = _mm_add_epi16(sxLanes, stepLanes);
    }
};

// Where a run stands: the next pixel to write in one row (or in each row of
// a pair) and the column position of its sample.
struct RunCursor {
    uint32_t* dst;
    uint32_t* dstDown;  // pairs only: the same column in the lower row
    int dir;
    ColumnWalk walk;
};

// The left run goes from the centre column out to column 0, the right run
// from the column after the centre out to column 319.
RunCursor leftRun(const StreakGeometry& g, uint32_t* row, uint32_t* rowDown)
{
    return {row + g.centreX, rowDown + g.centreX, -1,
            ColumnWalk(static_cast<uint32_t>(g.centreX) * 256, 0u - g.step)};
}
RunCursor rightRun(const StreakGeometry& g, uint32_t* row, uint32_t* rowDown)
{
    return {row + g.centreX + 1, rowDown + g.centreX + 1, 1,
            ColumnWalk(static_cast<uint32_t>(g.centreX) * 256 + g.step, g.step)};
}

// Rewrites the cursor's pixel in one row and moves on.
inline void streakStep(const StreakRow& row, RunCursor& c)
{
    // The old value is read before the store, like the neighbours, which may
    // include the destination itself.
    const __m128i old16 = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(*c.dst)), _mm_setzero_si128());
    const __m128i sample = bilinearSample(row, c.walk.left(), c.walk.right(), c.walk.columnWeights());
    const __m128i mixed = mixWithOld(_mm_packs_epi32(sample, sample), old16);
    *c.dst = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(mixed, mixed)));
    c.dst += c.dir;
    c.walk.advance();
}

// The same for two rows at equal distance above and below the centre: they
// share every column position and differ only in their rows.
inline void streakStepPair(const StreakRow& up, const StreakRow& down, RunCursor& c)
{
    const __m128i old16 = _mm_unpacklo_epi8(_mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(*c.dst)),
                                                               _mm_cvtsi32_si128(static_cast<int>(*c.dstDown))),
                                            _mm_setzero_si128());
    const __m128i weights = c.walk.columnWeights();
    const __m128i sampleUp = bilinearSample(up, c.walk.left(), c.walk.right(), weights);
    const __m128i sampleDown = bilinearSample(down, c.walk.left(), c.walk.right(), weights);
    const __m128i mixed = mixWithOld(_mm_packs_epi32(sampleUp, sampleDown), old16);
    const __m128i packed = _mm_packus_epi16(mixed, mixed);
    *c.dst = static_cast<uint32_t>(_mm_cvtsi128_si32(packed));
    *c.dstDown = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(packed, 4)));
    c.dst += c.dir;
    c.dstDown += c.dir;
    c.walk.advance();
}

// Both runs of a row (or of a row pair), interleaved. The left run never
// reads the right half (at the centre column its right neighbour has weight
// 0 and is not read), and the right run reads only the centre column of the
// left run. So once the centre column is done, the two runs are independent
// and step side by side: two dependency chains overlap where one would wait.
template <typename Step>
void streakBothRuns(const StreakGeometry& g, RunCursor left, RunCursor right, Step step)
{
    const int leftCount = g.centreX + 1;
    const int rightCount = kStreakWidth - 1 - g.centreX;
    step(left);
    int done = 1;
    for (; done < leftCount && done - 1 < rightCount; ++done) {
        step(left);
        step(right);
    }
    for (int n = done; n < leftCount; ++n)
        step(left);
    for (int n = done - 1; n < rightCount; ++n)
        step(right);
}

void streakRowAlone(uint32_t* pixels, const StreakGeometry& g, int y)
{
    const StreakRow row = makeRow(pixels, g, y);
    streakBothRuns(g, leftRun(g, row.dst, row.dst), rightRun(g, row.dst, row.dst),
                   [&row](RunCursor& c) { streakStep(row, c); });
}

void streakRowPair(uint32_t* pixels, const StreakGeometry& g, int i)
{
    const StreakRow up = makeRow(pixels, g, g.centreY - i);
    const StreakRow down = makeRow(pixels, g, g.centreY + i);
    streakBothRuns(g, leftRun(g, up.dst, down.dst), rightRun(g, up.dst, down.dst),
                   [&up, &down](RunCursor& c) { streakStepPair(up, down, c); });
}

}  // namespace

void applyLightStreaksSse2(uint32_t* pixels, int32_t centreX, int32_t centreY, int32_t strength)
{
    const StreakGeometry g = streakGeometry(centreX, centreY, strength);
    // Every row samples only rows between itself and the centre row, so after
    // the centre row the rows above and below are independent; within each
    // side they still go outward in order, which gives the same bytes as the
    // whole upper half followed by the whole lower half.
    streakRowAlone(pixels, g, g.centreY);
    const int above = g.centreY;
    const int below = kStreakHeight - 1 - g.centreY;
    const int pairs = above < below ? above : below;
    for (int i = 1; i <= pairs; ++i)
        streakRowPair(pixels, g, i);
    for (int i = pairs + 1; i <= above; ++i)
        streakRowAlone(pixels, g, g.centreY - i);
    for (int i = pairs + 1; i <= below; ++i)
        streakRowAlone(pixels, g, g.centreY + i);
}

#endif  // __SSE2__
