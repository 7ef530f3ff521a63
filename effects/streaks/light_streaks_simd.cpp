// The streak pass in lanes, in an order that gives the plain form's bytes.
//
// The pass is recursive: a pixel at row distance i and column distance j
// from the centre samples at distances about i * step / 256 and
// j * step / 256, that is from pixels between it and the centre, already
// rewritten, and from itself while still old.
//
// Far rows: a row at distance i reads its own row only while
// i * (256 - step) < 256. Beyond that both its sample rows lie strictly
// nearer the centre, so each pixel of such a row reads only finished rows
// and its own old value, and the row is rewritten a vector of adjacent
// pixels at a time. With the strengths the scenes use that is most of the
// frame unless the step is close to 255.
//
// Near rows read the pixels just rewritten before them in their own row, so
// a row is one long dependency chain. But the pixels of a quadrant with the
// same i + j are independent of each other, and everything they read has a
// smaller i + j (or is themselves, read before they are written). Sweeping
// each quadrant along these anti-diagonals gives the row-by-row bytes with a
// vector of independent pixels per step. The quadrants go in an order that
// keeps their few mutual reads done before they are needed: upper left
// (centre row and column included), upper right (reads the centre column),
// then the far rows above, outward; lower left (reads the centre row), lower
// right, then the far rows below.
//
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "effects/streaks/light_streaks_simd.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include <algorithm>

#include "effects/streaks/light_streaks_kernels.h"

HWY_BEFORE_NAMESPACE();
namespace light_streaks_simd::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// Highway's fallback target, SCALAR, has one lane (and no half vectors):
// there the plain kernel is the SIMD form.
#if HWY_TARGET == HWY_SCALAR
void ApplyLightStreaks(uint32_t* pixels, int32_t centreX, int32_t centreY, int32_t strength)
{
    applyLightStreaksScalar(pixels, centreX, centreY, strength);
}
#else

// Past the end of a table, room for a vector's loads; the lanes read there
// hold index 0 and are never stored.
constexpr int kPad = 16;

// The sample positions along one axis, per pixel coordinate: the first of
// the two neighbours (as a pixel offset: rows scaled by the row length) and
// the weights of the first and the second, in both 16-bit halves. The second
// neighbour is always the next one: where the plain form reads the same one
// twice (f is 0) the next one gets weight 0, and a sample on the last
// coordinate takes the one before it as its first, with the weights swapped,
// so nothing past the frame is read.
struct Axis {
    int32_t first[kStreakWidth + kPad];
    uint32_t w0[kStreakWidth + kPad];
    uint32_t w1[kStreakWidth + kPad];
};

// Fills forward[p] for coordinates p and reversed[size - 1 - p], so that a
// run of lanes going either way reads its entries with one load.
void fillAxis(Axis& forward, Axis& reversed, int size, int32_t centre, uint32_t step, int32_t scale,
              uint32_t weightScale)
{
    forward = reversed = Axis{};
    const uint32_t c = static_cast<uint32_t>(centre);
    for (int p = 0; p < size; ++p) {
        const uint32_t s = p <= centre ? c * 256 - static_cast<uint32_t>(centre - p) * step
                                       : c * 256 + static_cast<uint32_t>(p - centre) * step;
        const bool last = static_cast<int>(s >> 8) == size - 1;
        const int32_t first = static_cast<int32_t>(s >> 8) - last;
        const uint32_t w0 = last ? 0 : 255 - (s & 255);
        const uint32_t w1 = last ? 255 : s & 255;
        for (const int i : {p, size - 1 - p}) {
            Axis& a = i == p ? forward : reversed;
            a.first[i] = first * scale;
            a.w0[i] = w0 * weightScale * 0x10001u;
            a.w1[i] = w1 * weightScale * 0x10001u;
        }
    }
}

// A factor the optimiser cannot see, so that its products stay single
// multiplies instead of longer chains of shifts and adds.
HWY_INLINE uint16_t opaque(uint16_t factor)
{
#if defined(__GNUC__)
    __asm__("" : "+r"(factor));
#endif
    return factor;
}

// The new values of pixels whose old values are `old`, from their first and
// second neighbours in the first (a) and second (b) sample row, and the
// weights of the rows and columns. Blue and red sit in the 16-bit halves of
// (p & 0x00FF00FF), green and the fourth byte in those of the same mask
// after a shift by 8, so each product and sum is the plain form's own: the
// weights (at most 255 * 255 >> 8) add up to at most 254, so a byte's four
// products together stay below 65536, and the mix, at most
// 253 * 200 + 255 * 55, too.
template <class D, class V = hn::Vec<D>>
HWY_INLINE V streakLanes(D d, V a0, V a1, V b0, V b1, V rowW0, V rowW1, V colW0, V colW1, V old)
{
    const hn::Repartition<uint16_t, D> d16;
    // The rows' weights are scaled by 256: the high half of the product is
    // (row weight * column weight) >> 8.
    const auto weight = [&](V r, V c) { return hn::MulHigh(hn::BitCast(d16, r), hn::BitCast(d16, c)); };
    const auto w00 = weight(rowW0, colW0);
    const auto w01 = weight(rowW0, colW1);
    const auto w10 = weight(rowW1, colW0);
    const auto w11 = weight(rowW1, colW1);
    const V bytes = hn::Set(d, 0x00FF00FFu);
    const auto even = [&](V p) { return hn::BitCast(d16, hn::And(p, bytes)); };
    const auto odd = [&](V p) { return hn::ShiftRight<8>(hn::BitCast(d16, p)); };
    const auto sum = [&](auto part) {
        return hn::Add(hn::Add(hn::Mul(part(a0), w00), hn::Mul(part(a1), w01)),
                       hn::Add(hn::Mul(part(b0), w10), hn::Mul(part(b1), w11)));
    };
    const auto sampleFactor = hn::Set(d16, opaque(200));
    const auto oldFactor = hn::Set(d16, opaque(55));
    const auto mix = [&](auto s, auto o) { return hn::Add(hn::Mul(s, sampleFactor), hn::Mul(o, oldFactor)); };
    // Green's sample, the fourth byte's being 0; the mix of green and the
    // fourth byte is left in the high bytes, where it belongs.
    const auto green = hn::ShiftRight<8>(hn::And(sum(odd), hn::BitCast(d16, hn::Set(d, 0xFF00u))));
    const auto blueRed = hn::ShiftRight<8>(mix(hn::ShiftRight<8>(sum(even)), even(old)));
    const auto greenHigh = hn::And(mix(green, odd(old)), hn::Set(d16, 0xFF00));
    return hn::BitCast(d, hn::Or(blueRed, greenHigh));
}

struct Tables {
    Axis rows, rowsReversed, columns, columnsReversed;
    // For the far rows, per vector of columns from x on: the first column of
    // a window of as many columns holding every pixel's first neighbour
    // (the first neighbours grow by at most one a column), and per column
    // the lane of its first neighbour in that window.
    int32_t window[kStreakWidth];
    int32_t windowLane[kStreakWidth];
};

// One far row, a vector of adjacent pixels at a time (the row length is a
// multiple of every vector's lane count): the neighbours are picked from
// windows of the sample rows, and the windows one column on.
template <class D>
void farRow(D d, uint32_t* pixels, const Tables& t, int y)
{
    const hn::RebindToSigned<D> di;
    const uint32_t* a = pixels + t.rows.first[y];
    const uint32_t* b = a + kStreakWidth;
    const auto rowW0 = hn::Set(d, t.rows.w0[y]);
    const auto rowW1 = hn::Set(d, t.rows.w1[y]);
    uint32_t* dst = pixels + y * kStreakWidth;
    for (int x = 0; x < kStreakWidth; x += int(hn::Lanes(d))) {
        const auto lane = hn::IndicesFromVec(d, hn::LoadU(di, t.windowLane + x));
        const int32_t w = t.window[x];
        const auto pick = [&](const uint32_t* row) { return hn::TableLookupLanes(hn::LoadU(d, row + w), lane); };
        const auto out =
            streakLanes(d, pick(a), pick(a + 1), pick(b), pick(b + 1), rowW0, rowW1, hn::LoadU(d, t.columns.w0 + x),
                        hn::LoadU(d, t.columns.w1 + x), hn::LoadU(d, dst + x));
        hn::StoreU(out, d, dst + x);
    }
}

// The near rows of one quadrant: rowCount rows from y0 outward (rowStep
// +1 or -1), columnCount columns from x0 outward (columnStep). Diagonal t
// holds the pixels at row r and column t - r (counted outward); a run of
// lanes goes one row outward and one column inward per lane, and gathers
// each pixel's old value and neighbours.
template <class D>
void sweepQuadrant(D d, uint32_t* pixels, const Tables& t, int y0, int rowStep, int rowCount, int x0, int columnStep,
                   int columnCount)
{
    const hn::RebindToSigned<D> di;
    const hn::Half<decltype(di)> dih;
    const hn::Repartition<uint64_t, D> d64;
    const hn::RebindToSigned<decltype(d64)> di64;
    const int lanes = int(hn::Lanes(d));
    const int32_t laneStep = rowStep * kStreakWidth - columnStep;
    const auto laneOffsets = hn::Mul(hn::Iota(di, 0), hn::Set(di, laneStep));
    const Axis& rows = rowStep > 0 ? t.rows : t.rowsReversed;
    const Axis& columns = columnStep < 0 ? t.columns : t.columnsReversed;
    HWY_ALIGN uint32_t out[hn::MaxLanes(d)];
    for (int diagonal = 0; diagonal < rowCount + columnCount - 1; ++diagonal) {
        const int rLast = std::min(rowCount - 1, diagonal);
        for (int r = std::max(0, diagonal - (columnCount - 1)); r <= rLast; r += lanes) {
            const int count = std::min(lanes, rLast + 1 - r);
            const int y = y0 + rowStep * r;
            const int x = x0 + columnStep * (diagonal - r);
            const int32_t at = y * kStreakWidth + x;
            const int ry = rowStep > 0 ? y : kStreakHeight - 1 - y;
            const int cx = columnStep < 0 ? x : kStreakWidth - 1 - x;
            const auto first = hn::Add(hn::LoadU(di, rows.first + ry), hn::LoadU(di, columns.first + cx));
            // A pixel's two neighbours in a sample row are adjacent: one
            // 64-bit gather fetches both, half the loads of two gathers.
            const auto bytes = hn::ShiftLeft<2>(first);
            hn::Vec<D> a0, a1, b0, b1;
            const auto pairs = [&](int offset, hn::Vec<D>& left, hn::Vec<D>& right) {
                const uint64_t* base = reinterpret_cast<const uint64_t*>(pixels + offset);
                const auto lowerBytes = hn::PromoteTo(di64, hn::LowerHalf(dih, bytes));
                const auto upperBytes = hn::PromoteTo(di64, hn::UpperHalf(dih, bytes));
                const auto lo = hn::BitCast(d, hn::GatherOffset(d64, base, lowerBytes));
                const auto hi = hn::BitCast(d, hn::GatherOffset(d64, base, upperBytes));
                left = hn::ConcatEven(d, hi, lo);
                right = hn::ConcatOdd(d, hi, lo);
            };
            pairs(0, a0, a1);
            pairs(kStreakWidth, b0, b1);
            // Lanes past the run read its last pixel, so nothing outside the
            // frame is read; they are not stored.
            const auto offsets =
                hn::IfThenElse(hn::FirstN(di, size_t(count)), laneOffsets, hn::Set(di, (count - 1) * laneStep));
            const auto old = hn::GatherIndex(d, pixels, hn::Add(hn::Set(di, at), offsets));
            const auto result = streakLanes(d, a0, a1, b0, b1,
                                            hn::LoadU(d, rows.w0 + ry), hn::LoadU(d, rows.w1 + ry),
                                            hn::LoadU(d, columns.w0 + cx), hn::LoadU(d, columns.w1 + cx), old);
            hn::Store(result, d, out);
            if (count == lanes) {
#pragma GCC unroll 16
                for (size_t k = 0; k < hn::MaxLanes(d); ++k)
                    pixels[at + int32_t(k) * laneStep] = out[k];
            } else {
                for (int k = 0; k < count; ++k)
                    pixels[at + k * laneStep] = out[k];
            }
        }
    }
}

void ApplyLightStreaks(uint32_t* pixels, int32_t centreX, int32_t centreY, int32_t strength)
{
    const hn::ScalableTag<uint32_t> d;
    const int lanes = int(hn::Lanes(d));
    const StreakGeometry g = streakGeometry(centreX, centreY, strength);
    Tables t;
    fillAxis(t.rows, t.rowsReversed, kStreakHeight, g.centreY, g.step, kStreakWidth, 256);
    fillAxis(t.columns, t.columnsReversed, kStreakWidth, g.centreX, g.step, 1, 1);
    for (int x = 0; x < kStreakWidth; ++x) {
        const int x0 = x - x % lanes;
        t.window[x] = std::min(t.columns.first[x0], kStreakWidth - 1 - lanes);
        t.windowLane[x] = t.columns.first[x] - t.window[x];
    }

    // Rows at distance 0 .. near - 1 from the centre row read their own row.
    const int near = 255 / (256 - int(g.step)) + 1;
    const int upNear = std::min(g.centreY + 1, near);
    const int downNear = std::min(kStreakHeight - 1 - g.centreY, near - 1);
    const int leftCount = g.centreX + 1;
    const int rightCount = kStreakWidth - 1 - g.centreX;
    const int cx = g.centreX;
    const int cy = g.centreY;
    sweepQuadrant(d, pixels, t, cy, -1, upNear, cx, -1, leftCount);
    sweepQuadrant(d, pixels, t, cy, -1, upNear, cx + 1, 1, rightCount);
    for (int y = cy - upNear; y >= 0; --y)
        farRow(d, pixels, t, y);
    sweepQuadrant(d, pixels, t, cy + 1, 1, downNear, cx, -1, leftCount);
    sweepQuadrant(d, pixels, t, cy + 1, 1, downNear, cx + 1, 1, rightCount);
    for (int y = cy + 1 + downNear; y < kStreakHeight; ++y)
        farRow(d, pixels, t, y);
}

#endif  // HWY_TARGET == HWY_SCALAR
}  // namespace light_streaks_simd::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace light_streaks_simd {
HWY_EXPORT(ApplyLightStreaks);

// Called from inside the namespace that holds the dispatch table.
void apply(uint32_t* pixels, int32_t centreX, int32_t centreY, int32_t strength)
{
    HWY_DYNAMIC_DISPATCH(ApplyLightStreaks)(pixels, centreX, centreY, strength);
}
}  // namespace light_streaks_simd

void applyLightStreaksSimd(uint32_t* pixels, int32_t centreX, int32_t centreY, int32_t strength)
{
    light_streaks_simd::apply(pixels, centreX, centreY, strength);
}
#endif
