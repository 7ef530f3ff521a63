// The swirl warp a vector of pixels at a time: the sines in double lanes, the
// truncations, the checks and the unsigned remainders in 32-bit lanes.
// Lane operations round exactly like scalar ones, so the values equal those
// of swirlRowsScalar; pixels near a truncation boundary (and the centre) go
// the reference way, one by one.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "effects/video/swirl_warp_simd.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include "core/frame.h"
#include "effects/video/swirl_warp.h"

HWY_BEFORE_NAMESPACE();
namespace swirl_warp_simd::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// sx modulo 320 and sy modulo 240 of the unsigned readings, for
// -256 <= sx < 640 and -256 <= sy < 480: 2^32 leaves 256 modulo 320 and 16
// modulo 240.
template <class V>
HWY_INLINE V SourceIndex(V sx, V sy)
{
    const hn::DFromV<V> d;
    const auto zero = hn::Zero(d);
    // Each correction adds or takes away its amount in the lanes that need it.
    const auto fix = [&d](auto mask, int32_t amount) { return hn::IfThenElseZero(mask, hn::Set(d, amount)); };
    auto column = hn::Add(sx, fix(hn::Lt(sx, zero), 256));
    column = hn::Sub(column, fix(hn::Gt(column, hn::Set(d, kFrameWidth - 1)), kFrameWidth));
    auto row = hn::Add(sy, fix(hn::Lt(sy, zero), 16));
    row = hn::Add(row, fix(hn::Lt(row, zero), kFrameHeight));
    row = hn::Sub(row, fix(hn::Gt(row, hn::Set(d, kFrameHeight - 1)), kFrameHeight));
    // row * 320 = row * 256 + row * 64
    return hn::Add(hn::Add(hn::ShiftLeft<8>(row), hn::ShiftLeft<6>(row)), column);
}

// Highway's fallback target, SCALAR, has one lane: there the plain kernel is
// the SIMD form, and this one is not built.
#if HWY_TARGET != HWY_SCALAR && HWY_HAVE_FLOAT64

// Two vectors of pixels a step, so that the integer work runs on lanes as
// wide as the target has (four doubles make eight 32-bit lanes).
template <class DD>
HWY_INLINE void VectorRows(DD dd, const SwirlFrame& f, const uint32_t* picture, uint32_t* target, int32_t yFrom,
                           int32_t yTo)
{
    const hn::Rebind<int32_t, DD> dh;
    const hn::Twice<decltype(dh)> di;
    constexpr int32_t kLanes = int32_t(hn::MaxLanes(dd)), kStep = 2 * kLanes;
    static_assert(kFrameWidth % kStep == 0, "rows are whole steps");
    const auto push = hn::Set(dd, f.k);
    const auto m = hn::Set(dd, f.margin);
    const auto cosA = hn::Set(dd, f.cosA);
    const auto sinA = hn::Set(dd, f.sinA);
    const auto one = hn::Set(dd, 1.0);
    const auto half = hn::Set(dd, double(kLanes));
    const auto step = hn::Set(dd, double(kStep));
    // The truncations of both vectors, in one.
    const auto truncate = [&](auto lo, auto hi) { return hn::Combine(di, hn::DemoteTo(dh, hi), hn::DemoteTo(dh, lo)); };
    alignas(32) int32_t index[kStep];

    for (int32_t y = yFrom; y < yTo; ++y) {
        const double dyScalar = y - f.cy;
        const auto yv = hn::Set(dd, y);
        const auto dy2 = hn::Set(dd, dyScalar * dyScalar);
        const auto dyCos = hn::Set(dd, dyScalar * f.cosA);
        const auto dySin = hn::Set(dd, dyScalar * f.sinA);
        // x + push sin(θ + a) and y + push cos(θ - a) at offset dx.
        const auto pushed = [&](auto xv, auto dx, auto& vx, auto& vy) {
            const auto r2 = hn::Add(hn::Mul(dx, dx), dy2);
            const auto inv = hn::Div(one, hn::Sqrt(r2));
            const auto s = hn::Mul(hn::Add(hn::Mul(dx, cosA), dySin), inv);  // sin(θ + a)
            const auto c = hn::Mul(hn::Add(dyCos, hn::Mul(dx, sinA)), inv);  // cos(θ - a)
            vx = hn::Add(xv, hn::Mul(push, s));
            vy = hn::Add(yv, hn::Mul(push, c));
        };
        uint32_t* row = target + y * kFrameWidth;
        auto xv = hn::Iota(dd, 0.0);
        auto dx = hn::Iota(dd, 0.0 - f.cx);
        for (int32_t x = 0; x < kFrameWidth; x += kStep) {
            hn::VFromD<DD> vxLo, vyLo, vxHi, vyHi;
            pushed(xv, dx, vxLo, vyLo);
            pushed(hn::Add(xv, half), hn::Add(dx, half), vxHi, vyHi);
            // Sure only where v - m and v + m truncate alike, on both axes.
            const auto sure = hn::And(
                hn::Eq(truncate(hn::Sub(vxLo, m), hn::Sub(vxHi, m)), truncate(hn::Add(vxLo, m), hn::Add(vxHi, m))),
                hn::Eq(truncate(hn::Sub(vyLo, m), hn::Sub(vyHi, m)), truncate(hn::Add(vyLo, m), hn::Add(vyHi, m))));
            hn::Store(SourceIndex(truncate(vxLo, vxHi), truncate(vyLo, vyHi)), di, index);
            // The centre has no direction (its sines are 0 / 0): the
            // reference decides there, as at every pixel not sure.
            const bool centre = y == f.cy && f.cx >= x && f.cx < x + kStep;
            if (!hn::AllTrue(di, sure) || centre) {
                alignas(32) int32_t sureLanes[kStep];
                hn::Store(hn::VecFromMask(di, sure), di, sureLanes);
                if (centre)
                    sureLanes[f.cx - x] = 0;
                for (int32_t lane = 0; lane < kStep; ++lane)
                    if (!sureLanes[lane])
                        index[lane] = int32_t(swirlSourceIndexExact(f, x + lane, y));
            }
            for (int32_t lane = 0; lane < kStep; ++lane)
                row[x + lane] = picture[index[lane]];
            xv = hn::Add(xv, step);
            dx = hn::Add(dx, step);
        }
    }
}

#endif

void SwirlRows(const SwirlFrame& f, const uint32_t* picture, uint32_t* target, int32_t yFrom, int32_t yTo)
{
#if HWY_TARGET == HWY_SCALAR || !HWY_HAVE_FLOAT64  // WebAssembly: no double lanes
    swirlRowsScalar(f, picture, target, yFrom, yTo);
#else
    VectorRows(hn::ScalableTag<double>(), f, picture, target, yFrom, yTo);
#endif
}

}  // namespace swirl_warp_simd::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace swirl_warp_simd {
HWY_EXPORT(SwirlRows);

// Called from inside the namespace that holds the dispatch tables.
void rows(const SwirlFrame& frame, const uint32_t* picture, uint32_t* target, int32_t yFrom, int32_t yTo)
{
    HWY_DYNAMIC_DISPATCH(SwirlRows)(frame, picture, target, yFrom, yTo);
}
}  // namespace swirl_warp_simd

void swirlRowsSimd(const SwirlFrame& frame, const uint32_t* picture, uint32_t* target, int32_t yFrom, int32_t yTo)
{
    swirl_warp_simd::rows(frame, picture, target, yFrom, yTo);
}
#endif
