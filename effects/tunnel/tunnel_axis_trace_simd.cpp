// The on-axis node trace in double lanes, the rotation included. Every lane
// performs the very operations of traceOnAxisPlain (Matrix4 transformPoint,
// wobbleSightLineFast, the on-axis hit, aroundTexelsFast) in the same order
// on IEEE doubles, never fused, so it yields the same values and takes the
// same decisions; branches become lane masks. A lane that cannot vouch for
// its node leaves it to traceNodeExact.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "effects/tunnel/tunnel_axis_trace_simd.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include "effects/tunnel/tunnel_axis_trace.h"
#include "effects/tunnel/tunnel_trace.h"

HWY_BEFORE_NAMESPACE();
namespace tunnel_axis_trace_simd::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;
using namespace tunnel_trace;

#if HWY_HAVE_FLOAT64 && HWY_TARGET != HWY_SCALAR
using D = hn::ScalableTag<double>;
using V = hn::Vec<D>;
using M = hn::Mask<D>;
const hn::Rebind<float, D> df;
const hn::Rebind<int32_t, D> di;
constexpr size_t kMaxLanes = HWY_MAX_BYTES / sizeof(double);

// Six independent vectors of nodes side by side. Each node is one long
// chain of dependent square roots, divisions, conversions and polynomial
// steps, longer than the processor looks ahead; stepping several vectors
// through every operation together lets their chains overlap (measured with
// four doubles a vector: two vectors about 19 us a frame, four 14, six 13.5,
// eight 15). Lanes never mix.
constexpr int kWays = 6;
template <class T>
struct Ways {
    T g[kWays];
};

// f(h) for every vector, unrolled by force: at -O2 the compiler would keep
// a loop over the vectors in memory, which costs more than the overlap gains.
template <class F>
HWY_INLINE auto each(F f) -> Ways<decltype(f(0))>
{
    Ways<decltype(f(0))> r;
#pragma GCC unroll 8
    for (int h = 0; h < kWays; ++h)
        r.g[h] = f(h);
    return r;
}

#define QUARNEL_WAYS(name, T, op)                                                       \
    HWY_INLINE Ways<T> name(const Ways<V>& a, const Ways<V>& b)                        \
    {                                                                                  \
        return each([&](int h) HWY_ATTR { return op(a.g[h], b.g[h]); });                \
    }
QUARNEL_WAYS(add, V, hn::Add)
QUARNEL_WAYS(sub, V, hn::Sub)
QUARNEL_WAYS(mul, V, hn::Mul)
QUARNEL_WAYS(div, V, hn::Div)
QUARNEL_WAYS(greater, M, hn::Gt)
QUARNEL_WAYS(less, M, hn::Lt)
#undef QUARNEL_WAYS

// v in every lane.
HWY_INLINE Ways<V> every(double v) { return each([&](int) HWY_ATTR { return hn::Set(D(), v); }); }
HWY_INLINE Ways<V> sqrt(const Ways<V>& a) { return each([&](int h) HWY_ATTR { return hn::Sqrt(a.g[h]); }); }
HWY_INLINE Ways<V> abs(const Ways<V>& a) { return each([&](int h) HWY_ATTR { return hn::Abs(a.g[h]); }); }
// Doubles rounded to float and back.
HWY_INLINE Ways<V> toFloat(const Ways<V>& a)
{
    return each([&](int h) HWY_ATTR { return hn::PromoteTo(D(), hn::DemoteTo(df, a.g[h])); });
}
// The lanes set in both masks.
HWY_INLINE Ways<M> both(const Ways<M>& a, const Ways<M>& b)
{
    return each([&](int h) HWY_ATTR { return hn::And(a.g[h], b.g[h]); });
}
HWY_INLINE Ways<V> select(const Ways<M>& mask, const Ways<V>& yes, const Ways<V>& no)
{
    return each([&](int h) HWY_ATTR { return hn::IfThenElse(mask.g[h], yes.g[h], no.g[h]); });
}

// The lanes of v whose rounding to float is certain (roundsSurely).
HWY_INLINE Ways<M> roundsSurely(const Ways<V>& v)
{
    const Ways<V> size = abs(v);
    const Ways<M> inRange = both(greater(size, every(0x1p-120)), less(size, every(0x1p60)));
    const Ways<M> same = each([&](int h) HWY_ATTR {
        const auto below = hn::DemoteTo(df, hn::Mul(v.g[h], hn::Set(D(), 1.0 - kSightLineMargin)));
        const auto above = hn::DemoteTo(df, hn::Mul(v.g[h], hn::Set(D(), 1.0 + kSightLineMargin)));
        // Equal floats read back as equal doubles.
        return hn::Eq(hn::PromoteTo(D(), below), hn::PromoteTo(D(), above));
    });
    return each([&](int h) HWY_ATTR {
        return hn::Or(hn::Eq(v.g[h], hn::Zero(D())), hn::And(inRange.g[h], same.g[h]));
    });
}

// Component c of the directions (x, y, z, 1) times the rotation, rounded to
// float, summed in the order of Matrix4 transformPoint.
HWY_INLINE Ways<V> column(const Ways<V>& x, const Ways<V>& y, const Ways<V>& z, const Matrix4& m, int c)
{
    const Ways<V> sum = add(add(mul(x, every(m.m[0][c])), mul(y, every(m.m[1][c]))), mul(z, every(m.m[2][c])));
    return toFloat(add(sum, every(m.m[3][c])));
}

void TraceOnAxis(const Vec3* HWY_RESTRICT directions, const Matrix4& rotation, int32_t count, double s,
                 const Vec3& eye, TunnelNode* HWY_RESTRICT nodes)
{
    const D d;
    const int lanes = int(hn::Lanes(d));
    const int batch = kWays * lanes;
    for (int32_t i = 0; i < count; i += batch) {
        const int n = count - i < batch ? int(count - i) : batch;
        // x, y, z of the batch's directions as doubles; a short last batch
        // repeats its last direction.
        const Vec3* from = directions + i;
        Vec3 tail[kWays * kMaxLanes];
        if (n < batch) {
            for (int k = 0; k < batch; ++k)
                tail[k] = directions[i + (k < n ? k : n - 1)];
            from = tail;
        }
        Ways<V> dirX, dirY, dirZ;
        for (int h = 0; h < kWays; ++h) {
            hn::Vec<decltype(df)> fx, fy, fz;
            hn::LoadInterleaved3(df, &from[h * lanes].x, fx, fy, fz);
            dirX.g[h] = hn::PromoteTo(d, fx);
            dirY.g[h] = hn::PromoteTo(d, fy);
            dirZ.g[h] = hn::PromoteTo(d, fz);
        }
        const Ways<V> x = column(dirX, dirY, dirZ, rotation, 0), y = column(dirX, dirY, dirZ, rotation, 1);
        const Ways<V> z = column(dirX, dirY, dirZ, rotation, 2);

        // The wobble: w = 0.5 + 0.3f cos 5θ s with cos 5θ from c = cos θ.
        const Ways<V> rho2 = add(mul(x, x), mul(y, y));
        Ways<M> ok = both(greater(rho2, every(0x1p-200)), less(rho2, every(0x1p200)));
        const Ways<V> c = div(y, sqrt(rho2));
        const Ways<V> c2 = mul(c, c);
        const Ways<V> poly = add(every(5.0), mul(c2, add(every(-20.0), mul(every(16.0), c2))));
        const Ways<V> w = add(every(0.5), mul(mul(every(double(kWobble)), mul(c, poly)), every(s)));
        const Ways<V> dx = mul(w, x), dy = mul(w, y);
        ok = both(ok, both(roundsSurely(dx), roundsSurely(dy)));
        const Ways<V> fdx = toFloat(dx), fdy = toFloat(dy);

        // The hit from the axis: -(sqrt(A) / A), or no hit for A = 0.
        const Ways<V> a = toFloat(add(mul(fdx, fdx), mul(fdy, fdy)));
        const Ways<V> root = each([&](int h) HWY_ATTR { return hn::Neg(hn::Div(hn::Sqrt(a.g[h]), a.g[h])); });
        const Ways<V> lambda = select(greater(a, every(0.0)), root, every(TunnelMapper::kNoHit));
        const Ways<V> hx = toFloat(add(every(eye.x), mul(lambda, fdx)));
        const Ways<V> hy = toFloat(add(every(eye.y), mul(lambda, fdy)));
        const Ways<V> hz = toFloat(add(every(eye.z), mul(lambda, z)));

        // u = trunc(hz * 15), where the 32-bit conversion is exact.
        const Ways<V> depth = mul(hz, every(15.0));
        ok = both(ok, less(abs(depth), every(0x1p31)));

        // v = trunc(|atan2(hx, hy)| * 256 / pi) by the fast arc tangent.
        const Ways<V> ax = abs(hx), ay = abs(hy);
        const Ways<M> steep = greater(ax, ay);
        const Ways<V> hi = select(steep, ax, ay), lo = select(steep, ay, ax);
        ok = both(ok, both(greater(hi, every(0x1p-500)), less(hi, every(0x1p500))));
        const Ways<M> folded = greater(lo, mul(every(kTanEighthPi), hi));
        const Ways<V> t = div(select(folded, sub(lo, hi), lo), select(folded, add(lo, hi), hi));
        const Ways<V> base = select(folded, every(kQuarterPi), every(0.0));
        const Ways<V> t2 = mul(t, t);
        Ways<V> series = every(-1.0 / 19.0);
        for (double term : {1.0 / 17.0, -1.0 / 15.0, 1.0 / 13.0, -1.0 / 11.0, 1.0 / 9.0, -1.0 / 7.0, 1.0 / 5.0,
                            -1.0 / 3.0, 1.0})
            series = add(every(term), mul(t2, series));
        Ways<V> phi = add(base, mul(t, series));
        phi = select(steep, sub(every(kHalfPi), phi), phi);
        phi = select(less(hy, every(0.0)), sub(every(kPi), phi), phi);
        const Ways<V> texels = mul(phi, every(kTexelsPerRadian));
        const Ways<V> below = sub(texels, every(kTexelMargin)), above = add(texels, every(kTexelMargin));

        for (int h = 0; h * lanes < n; ++h) {
            const int first = i + h * lanes;
            const auto u = hn::DemoteTo(di, depth.g[h]);
            const auto low = hn::DemoteTo(di, below.g[h]);
            const auto high = hn::DemoteTo(di, above.g[h]);
            // Whole numbers read back as doubles compare as the numbers do.
            const M sure = hn::And(ok.g[h], hn::Eq(hn::PromoteTo(d, low), hn::PromoteTo(d, high)));
            if (n - h * lanes >= lanes && hn::AllTrue(d, sure)) {
                // u and v side by side: TunnelNode pairs.
                hn::StoreInterleaved2(u, low, di, &nodes[first].u);
                continue;
            }
            int32_t us[kMaxLanes], vs[kMaxLanes];
            uint8_t bits[8] = {};
            hn::StoreU(u, di, us);
            hn::StoreU(low, di, vs);
            hn::StoreMaskBits(d, sure, bits);
            for (int k = 0; k < lanes && h * lanes + k < n; ++k)
                nodes[first + k] = (bits[0] >> k & 1)
                                       ? TunnelNode{us[k], vs[k]}
                                       : traceNodeExact(rotation.transformPoint(directions[first + k]), s, eye);
        }
    }
}

#else

// Highway's fallback target, SCALAR, has one lane, and its WebAssembly target
// has no double lanes: there the plain form is the SIMD form.
void TraceOnAxis(const Vec3* HWY_RESTRICT directions, const Matrix4& rotation, int32_t count, double s,
                 const Vec3& eye, TunnelNode* HWY_RESTRICT nodes)
{
    traceOnAxisPlain(directions, rotation, count, s, eye, nodes);
}

#endif  // HWY_HAVE_FLOAT64 && HWY_TARGET != HWY_SCALAR

}  // namespace tunnel_axis_trace_simd::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace tunnel_axis_trace_simd {
HWY_EXPORT(TraceOnAxis);

// Called from inside the namespace that holds the dispatch tables.
void trace(const Vec3* directions, const Matrix4& rotation, int32_t count, double s, const Vec3& eye,
           TunnelNode* nodes)
{
    HWY_DYNAMIC_DISPATCH(TraceOnAxis)(directions, rotation, count, s, eye, nodes);
}
}  // namespace tunnel_axis_trace_simd

void traceOnAxisSimd(const Vec3* directions, const Matrix4& rotation, int32_t count, double s, const Vec3& eye,
                     TunnelNode* nodes)
{
    tunnel_axis_trace_simd::trace(directions, rotation, count, s, eye, nodes);
}
#endif
