// The fast wobble a vector of vertices at a time in double lanes, with the
// same operations in the same order as wobbleVerticesScalar (a multiply, then
// an add: never a fused multiply-add). Vertices whose coordinates are not
// sure to round alike go the reference way, one by one.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "effects/spheres/wobble_kernels_simd.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include "effects/spheres/wobble_kernels.h"

HWY_BEFORE_NAMESPACE();
namespace wobble_simd::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

#if HWY_HAVE_FLOAT64 && HWY_TARGET != HWY_SCALAR
// Lanes whose value surely rounds to the same float as every double within
// the relative margin (see roundsSurely in the plain kernel). Floats widen to
// doubles exactly, so comparing the widened roundings compares the floats.
template <class D, class V = hn::VFromD<D>>
HWY_INLINE auto RoundsSurely(D dd, V v, V below, V above)
{
    const hn::Rebind<float, D> df;
    const auto same = hn::Eq(hn::PromoteTo(dd, hn::DemoteTo(df, hn::Mul(v, below))),
                             hn::PromoteTo(dd, hn::DemoteTo(df, hn::Mul(v, above))));
    const auto large = hn::Gt(hn::Abs(v), hn::Set(dd, 0x1p-120));
    return hn::Or(hn::Eq(v, hn::Zero(dd)), hn::And(large, same));
}

void WobbleVertices(const WobbleFrame& w, const WobbleBasis& b, const Vertex* in,
                    Vertex* out, int32_t count)
{
    const hn::ScalableTag<double> dd;
    const hn::Rebind<float, decltype(dd)> df;
    const hn::RebindToSigned<decltype(dd)> di;
    constexpr int32_t kLanes = int32_t(hn::MaxLanes(dd));
    const auto a = hn::Set(dd, w.amplitude), sp = hn::Set(dd, w.sinP), cp = hn::Set(dd, w.cosP);
    const auto one = hn::Set(dd, 1.0);
    const auto below = hn::Set(dd, 1.0 - w.margin), above = hn::Set(dd, 1.0 + w.margin);
    // A vertex is its three float coordinates, one after the other.
    static_assert(sizeof(Vertex) == 3 * sizeof(float), "vertices are packed");
    int32_t i = 0;
    for (; i + kLanes <= count; i += kLanes) {
        hn::VFromD<decltype(df)> fx, fy, fz;
        hn::LoadInterleaved3(df, &in[i].position.x, fx, fy, fz);
        const auto x = hn::PromoteTo(dd, fx), y = hn::PromoteTo(dd, fy), z = hn::PromoteTo(dd, fz);
        const auto sG = hn::Add(hn::Mul(sp, hn::LoadU(dd, b.cosZY + i)), hn::Mul(cp, hn::LoadU(dd, b.sinZY + i)));
        const auto sD = hn::Sub(hn::Mul(sp, hn::LoadU(dd, b.cosXZ + i)), hn::Mul(cp, hn::LoadU(dd, b.sinXZ + i)));
        const auto sH = hn::Sub(hn::Mul(hn::LoadU(dd, b.sinXY + i), cp), hn::Mul(hn::LoadU(dd, b.cosXY + i), sp));
        const auto g = hn::Add(one, hn::Mul(a, sG));
        const auto d = hn::Add(one, hn::Mul(a, sD));
        const auto h = hn::Add(one, hn::Mul(a, sH));
        const auto ox = hn::Mul(hn::Mul(x, h), d);
        const auto oy = hn::Mul(hn::Mul(y, h), g);
        const auto oz = hn::Mul(hn::Mul(z, d), g);
        const auto sure = hn::And(hn::And(RoundsSurely(dd, ox, below, above), RoundsSurely(dd, oy, below, above)),
                                  RoundsSurely(dd, oz, below, above));
        const auto rx = hn::DemoteTo(df, ox), ry = hn::DemoteTo(df, oy), rz = hn::DemoteTo(df, oz);
        if (hn::AllTrue(dd, sure)) {
            hn::StoreInterleaved3(rx, ry, rz, df, &out[i].position.x);
            continue;
        }
        alignas(32) float px[kLanes], py[kLanes], pz[kLanes];
        alignas(32) int64_t sureLanes[kLanes];
        hn::Store(rx, df, px);
        hn::Store(ry, df, py);
        hn::Store(rz, df, pz);
        hn::Store(hn::BitCast(di, hn::VecFromMask(dd, sure)), di, sureLanes);
        for (int32_t k = 0; k < kLanes; ++k)
            out[i + k].position = sureLanes[k] ? Vec3(px[k], py[k], pz[k]) : wobbleVertexExact(in[i + k].position, w);
    }
    if (i < count) {
        const WobbleBasis tail{b.sinZY + i, b.cosZY + i, b.sinXZ + i, b.cosXZ + i, b.sinXY + i, b.cosXY + i};
        wobbleVerticesScalar(w, tail, in + i, out + i, count - i);
    }
}

#else

// Highway's fallback target, SCALAR, has one lane, and its WebAssembly target
// has no double lanes: there the plain form is the SIMD form.
void WobbleVertices(const WobbleFrame& w, const WobbleBasis& b, const Vertex* in, Vertex* out, int32_t count)
{
    wobbleVerticesScalar(w, b, in, out, count);
}

#endif  // HWY_HAVE_FLOAT64 && HWY_TARGET != HWY_SCALAR

}  // namespace wobble_simd::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace wobble_simd {
HWY_EXPORT(WobbleVertices);

// Called from inside the namespace that holds the dispatch tables.
void vertices(const WobbleFrame& frame, const WobbleBasis& basis, const Vertex* in, Vertex* out, int32_t count)
{
    HWY_DYNAMIC_DISPATCH(WobbleVertices)(frame, basis, in, out, count);
}
}  // namespace wobble_simd

void wobbleVerticesSimd(const WobbleFrame& frame, const WobbleBasis& basis, const Vertex* in, Vertex* out,
                        int32_t count)
{
    wobble_simd::vertices(frame, basis, in, out, count);
}
#endif
