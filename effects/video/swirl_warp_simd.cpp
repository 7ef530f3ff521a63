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

// Highway's fallback target, SCALAR, has one lane: there the plain kernel is
// the SIMD form.
constexpr bool kOneLane = HWY_TARGET == HWY_SCALAR;

// sx modulo 320 and sy modulo 240 of the unsigned readings, for
// -256 <= sx < 640 and -256 <= sy < 480: 2^32 leaves 256 modulo 320 and 16
// modulo 240.
template <class V>
HWY_INLINE V SourceIndex(V sx, V sy)
{
    const hn::DFromV<V> d;
    const auto zero = hn::Zero(d);
    auto column = hn::IfThenElse(hn::Lt(sx, zero), hn::Add(sx, hn::Set(d, 256)), sx);
    column = hn::IfThenElse(hn::Gt(column, hn::Set(d, kFrameWidth - 1)), hn::Sub(column, hn::Set(d, kFrameWidth)),
                            column);
    auto row = hn::IfThenElse(hn::Lt(sy, zero), hn::Add(sy, hn::Set(d, 16)), sy);
    row = hn::IfThenElse(hn::Lt(row, zero), hn::Add(row, hn::Set(d, kFrameHeight)), row);
    row = hn::IfThenElse(hn::Gt(row, hn::Set(d, kFrameHeight - 1)), hn::Sub(row, hn::Set(d, kFrameHeight)), row);
    // row * 320 = row * 256 + row * 64
    return hn::Add(hn::Add(hn::ShiftLeft<8>(row), hn::ShiftLeft<6>(row)), column);
}

void SwirlRows(const SwirlFrame& f, const uint32_t* picture, uint32_t* target,
               int32_t yFrom, int32_t yTo)
{
    if (kOneLane) return swirlRowsScalar(f, picture, target, yFrom, yTo);
    const hn::ScalableTag<double> dd;
    const hn::Rebind<int32_t, decltype(dd)> di;
    constexpr int32_t kLanes = int32_t(hn::MaxLanes(dd));
    static_assert(kFrameWidth % kLanes == 0, "rows are whole vectors");
    const auto push = hn::Set(dd, f.k);
    const auto m = hn::Set(dd, f.margin);
    const auto cosA = hn::Set(dd, f.cosA);
    const auto sinA = hn::Set(dd, f.sinA);
    const auto one = hn::Set(dd, 1.0);
    const auto step = hn::Set(dd, double(kLanes));
    const auto truncate = [&](auto v) { return hn::DemoteTo(di, v); };
    alignas(32) int32_t index[kLanes];

    for (int32_t y = yFrom; y < yTo; ++y) {
        const double dyScalar = y - f.cy;
        const auto yv = hn::Set(dd, y);
        const auto dy2 = hn::Set(dd, dyScalar * dyScalar);
        const auto dyCos = hn::Set(dd, dyScalar * f.cosA);
        const auto dySin = hn::Set(dd, dyScalar * f.sinA);
        uint32_t* row = target + y * kFrameWidth;
        auto xv = hn::Iota(dd, 0.0);
        auto dx = hn::Iota(dd, 0.0 - f.cx);
        for (int32_t x = 0; x < kFrameWidth; x += kLanes) {
            const auto r2 = hn::Add(hn::Mul(dx, dx), dy2);
            const auto inv = hn::Div(one, hn::Sqrt(r2));
            const auto s = hn::Mul(hn::Add(hn::Mul(dx, cosA), dySin), inv);  // sin(θ + a)
            const auto c = hn::Mul(hn::Add(dyCos, hn::Mul(dx, sinA)), inv);  // cos(θ - a)
            const auto vx = hn::Add(xv, hn::Mul(push, s));
            const auto vy = hn::Add(yv, hn::Mul(push, c));
            // Sure only where v - m and v + m truncate alike, on both axes.
            const auto sure = hn::And(hn::Eq(truncate(hn::Sub(vx, m)), truncate(hn::Add(vx, m))),
                                      hn::Eq(truncate(hn::Sub(vy, m)), truncate(hn::Add(vy, m))));
            hn::Store(SourceIndex(truncate(vx), truncate(vy)), di, index);
            // The centre has no direction (its sines are 0 / 0): the
            // reference decides there, as at every pixel not sure.
            const bool centre = y == f.cy && f.cx >= x && f.cx < x + kLanes;
            if (!hn::AllTrue(di, sure) || centre) {
                alignas(32) int32_t sureLanes[kLanes];
                hn::Store(hn::VecFromMask(di, sure), di, sureLanes);
                if (centre)
                    sureLanes[f.cx - x] = 0;
                for (int32_t lane = 0; lane < kLanes; ++lane)
                    if (!sureLanes[lane])
                        index[lane] = int32_t(swirlSourceIndexExact(f, x + lane, y));
            }
            for (int32_t lane = 0; lane < kLanes; ++lane)
                row[x + lane] = picture[index[lane]];
            xv = hn::Add(xv, step);
            dx = hn::Add(dx, step);
        }
    }
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
