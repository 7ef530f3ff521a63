// The on-axis node trace 24 nodes at a time in AVX doubles (six groups
// of four side by side), compiled for AVX function by function and called
// only when the processor has it. Every
// lane performs the very operations of traceOnAxisPlain (Matrix4
// transformPoint, wobbleSightLineFast, the on-axis hit, aroundTexelsFast) in
// the same order on IEEE doubles (no fused multiply-add), so it yields the
// same values and takes the same decisions; branches become lane masks.
#include "effects/tunnel/tunnel_axis_trace.h"

#if defined(QUARNEL_X86_SIMD)
#include <immintrin.h>

#include "effects/tunnel/tunnel_trace.h"

#define QUARNEL_AVX __attribute__((target("avx")))

namespace {

using namespace tunnel_trace;

QUARNEL_AVX inline __m256d broadcast(double v) { return _mm256_set1_pd(v); }

QUARNEL_AVX inline __m256d select(__m256d mask, __m256d yes, __m256d no) { return _mm256_blendv_pd(no, yes, mask); }

QUARNEL_AVX inline __m256d greater(__m256d a, __m256d b) { return _mm256_cmp_pd(a, b, _CMP_GT_OQ); }
QUARNEL_AVX inline __m256d less(__m256d a, __m256d b) { return _mm256_cmp_pd(a, b, _CMP_LT_OQ); }

// Doubles rounded to float and back.
QUARNEL_AVX inline __m256d toFloat(__m256d v) { return _mm256_cvtps_pd(_mm256_cvtpd_ps(v)); }

// The lanes of v whose rounding to float is certain (roundsSurely).
QUARNEL_AVX inline __m256d roundsSurely(__m256d v, __m256d absMask)
{
    const __m256d size = _mm256_and_pd(v, absMask);
    const __m256d inRange = _mm256_and_pd(greater(size, broadcast(0x1p-120)), less(size, broadcast(0x1p60)));
    const __m128 below = _mm256_cvtpd_ps(_mm256_mul_pd(v, broadcast(1.0 - kSightLineMargin)));
    const __m128 above = _mm256_cvtpd_ps(_mm256_mul_pd(v, broadcast(1.0 + kSightLineMargin)));
    // Equal floats read back as equal doubles.
    const __m256d same = _mm256_cmp_pd(_mm256_cvtps_pd(below), _mm256_cvtps_pd(above), _CMP_EQ_OQ);
    return _mm256_or_pd(_mm256_cmp_pd(v, _mm256_setzero_pd(), _CMP_EQ_OQ), _mm256_and_pd(inRange, same));
}

// x, y, z of four Vec3 in a row, as doubles.
QUARNEL_AVX inline void loadFour(const Vec3* p, __m256d& x, __m256d& y, __m256d& z)
{
    const float* f = &p->x;
    const __m128 a = _mm_loadu_ps(f), b = _mm_loadu_ps(f + 4), c = _mm_loadu_ps(f + 8);
    // a = x0 y0 z0 x1, b = y1 z1 x2 y2, c = z2 x3 y3 z3
    const __m128 p0 = _mm_shuffle_ps(a, b, _MM_SHUFFLE(1, 0, 3, 0));  // x0 x1 y1 z1
    const __m128 q0 = _mm_shuffle_ps(b, c, _MM_SHUFFLE(2, 1, 3, 2));  // x2 y2 x3 y3
    const __m128 xs = _mm_shuffle_ps(p0, q0, _MM_SHUFFLE(2, 0, 1, 0));
    const __m128 y01 = _mm_shuffle_ps(a, p0, _MM_SHUFFLE(2, 2, 1, 1));  // y0 y0 y1 y1
    const __m128 ys = _mm_shuffle_ps(y01, q0, _MM_SHUFFLE(3, 1, 2, 0));
    const __m128 z01 = _mm_shuffle_ps(a, p0, _MM_SHUFFLE(3, 3, 2, 2));  // z0 z0 z1 z1
    const __m128 z23 = _mm_shuffle_ps(c, c, _MM_SHUFFLE(3, 3, 0, 0));   // z2 z2 z3 z3
    const __m128 zs = _mm_shuffle_ps(z01, z23, _MM_SHUFFLE(2, 0, 2, 0));
    x = _mm256_cvtps_pd(xs);
    y = _mm256_cvtps_pd(ys);
    z = _mm256_cvtps_pd(zs);
}

// Component c of (x, y, z, 1) times the matrix m, rounded to float, summed
// in the order of Matrix4 transformPoint.
QUARNEL_AVX inline __m256d column(__m256d x, __m256d y, __m256d z, const __m256d (&m)[4][3], int c)
{
    __m256d sum = _mm256_add_pd(_mm256_mul_pd(x, m[0][c]), _mm256_mul_pd(y, m[1][c]));
    sum = _mm256_add_pd(sum, _mm256_mul_pd(z, m[2][c]));
    return toFloat(_mm256_add_pd(sum, m[3][c]));
}

static_assert(sizeof(Vec3) == 3 * sizeof(float), "Vec3 must be three packed floats");

}  // namespace

namespace {

// Six independent groups of four nodes side by side. Each node is one long
// chain of dependent square roots, divisions, conversions and polynomial
// steps, longer than the processor looks ahead; stepping several groups
// through every operation together lets their chains overlap. Six groups
// spill registers, but the spills are cheap beside the waiting they save
// (measured: two groups about 19 us a frame, four 14, six 13.5, eight 15).
// Lanes never mix.
constexpr int kWays = 6;
struct Groups {
    __m256d g[kWays];
};

// Lane-wise operations applied to every group.
// Unrolled by force: at -O2 the compiler would keep a loop over the groups
// in memory, which costs more than the overlap gains.
#define QUARNEL_FOR_GROUPS(expression) \
    Groups r;                          \
    _Pragma("GCC unroll 8")            \
    for (int h = 0; h < kWays; ++h)    \
        r.g[h] = expression;           \
    return r
#define QUARNEL_GROUPS_BINARY(name, op) \
    QUARNEL_AVX inline Groups name(const Groups& a, const Groups& b) { QUARNEL_FOR_GROUPS(op(a.g[h], b.g[h])); }
QUARNEL_GROUPS_BINARY(add, _mm256_add_pd)
QUARNEL_GROUPS_BINARY(sub, _mm256_sub_pd)
QUARNEL_GROUPS_BINARY(mul, _mm256_mul_pd)
QUARNEL_GROUPS_BINARY(div, _mm256_div_pd)
QUARNEL_GROUPS_BINARY(bitAnd, _mm256_and_pd)
QUARNEL_GROUPS_BINARY(bitXor, _mm256_xor_pd)
QUARNEL_GROUPS_BINARY(greater, greater)
QUARNEL_GROUPS_BINARY(less, less)
#undef QUARNEL_GROUPS_BINARY

QUARNEL_AVX inline Groups both(__m256d v) { QUARNEL_FOR_GROUPS(v); }
QUARNEL_AVX inline Groups both(double v) { return both(_mm256_set1_pd(v)); }
QUARNEL_AVX inline Groups squareRoot(const Groups& a) { QUARNEL_FOR_GROUPS(_mm256_sqrt_pd(a.g[h])); }
QUARNEL_AVX inline Groups toFloat(const Groups& a) { QUARNEL_FOR_GROUPS(toFloat(a.g[h])); }
QUARNEL_AVX inline Groups select(const Groups& mask, const Groups& yes, const Groups& no)
{
    QUARNEL_FOR_GROUPS(select(mask.g[h], yes.g[h], no.g[h]));
}
QUARNEL_AVX inline Groups roundsSurely(const Groups& v, __m256d absMask)
{
    QUARNEL_FOR_GROUPS(roundsSurely(v.g[h], absMask));
}
QUARNEL_AVX inline Groups column(const Groups& x, const Groups& y, const Groups& z, const __m256d (&m)[4][3], int c)
{
    QUARNEL_FOR_GROUPS(column(x.g[h], y.g[h], z.g[h], m, c));
}
#undef QUARNEL_FOR_GROUPS

}  // namespace

QUARNEL_AVX void traceOnAxisAvx(const Vec3* directions, const Matrix4& rotation, int32_t count, double s,
                                const Vec3& eye, TunnelNode* nodes)
{
    const __m256d absMask = _mm256_castsi256_pd(_mm256_set1_epi64x(0x7FFFFFFFFFFFFFFFLL));
    const Groups signMask = both(_mm256_castsi256_pd(_mm256_set1_epi64x(static_cast<long long>(0x8000000000000000ULL))));
    const Groups zero = both(0.0);
    const Groups sv = both(s);
    const Groups eyeX = both(double(eye.x)), eyeY = both(double(eye.y)), eyeZ = both(double(eye.z));
    __m256d m[4][3];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c)
            m[r][c] = broadcast(rotation.m[r][c]);

    for (int32_t i = 0; i < count; i += 4 * kWays) {
        const int lanes = count - i < 4 * kWays ? int(count - i) : 4 * kWays;
        Groups dirX, dirY, dirZ;
        if (lanes == 4 * kWays) {
            for (int h = 0; h < kWays; ++h)
                loadFour(directions + i + 4 * h, dirX.g[h], dirY.g[h], dirZ.g[h]);
        } else {
            // The last few nodes, padded by repeating the last one.
            Vec3 tail[4 * kWays];
            for (int k = 0; k < 4 * kWays; ++k)
                tail[k] = directions[i + (k < lanes ? k : lanes - 1)];
            for (int h = 0; h < kWays; ++h)
                loadFour(tail + 4 * h, dirX.g[h], dirY.g[h], dirZ.g[h]);
        }
        // r = the direction as a row times the matrix, rounded to float.
        const Groups x = column(dirX, dirY, dirZ, m, 0), y = column(dirX, dirY, dirZ, m, 1);
        const Groups z = column(dirX, dirY, dirZ, m, 2);

        // The wobble: w = 0.5 + 0.3f cos 5θ s with cos 5θ from c = cos θ.
        const Groups rho2 = add(mul(x, x), mul(y, y));
        Groups ok = bitAnd(greater(rho2, both(0x1p-200)), less(rho2, both(0x1p200)));
        const Groups c = div(y, squareRoot(rho2));
        const Groups c2 = mul(c, c);
        Groups poly = add(both(-20.0), mul(both(16.0), c2));
        poly = add(both(5.0), mul(c2, poly));
        const Groups cos5 = mul(c, poly);
        const Groups w = add(both(0.5), mul(mul(both(double(kWobble)), cos5), sv));
        const Groups dx = mul(w, x), dy = mul(w, y);
        ok = bitAnd(ok, bitAnd(roundsSurely(dx, absMask), roundsSurely(dy, absMask)));
        const Groups fdx = toFloat(dx), fdy = toFloat(dy);

        // The hit from the axis: -(sqrt(A) / A), or no hit for A = 0.
        const Groups a = toFloat(add(mul(fdx, fdx), mul(fdy, fdy)));
        const Groups root = bitXor(div(squareRoot(a), a), signMask);
        const Groups lambda = select(greater(a, zero), root, both(TunnelMapper::kNoHit));
        const Groups hx = toFloat(add(eyeX, mul(lambda, fdx)));
        const Groups hy = toFloat(add(eyeY, mul(lambda, fdy)));
        const Groups hz = toFloat(add(eyeZ, mul(lambda, z)));

        // u = trunc(hz * 15), where the 32-bit conversion is exact.
        const Groups depth = mul(hz, both(15.0));
        ok = bitAnd(ok, less(bitAnd(depth, both(absMask)), both(0x1p31)));

        // v = trunc(|atan2(hx, hy)| * 256 / pi) by the fast arc tangent.
        const Groups ax = bitAnd(hx, both(absMask)), ay = bitAnd(hy, both(absMask));
        const Groups steep = greater(ax, ay);
        const Groups hi = select(steep, ax, ay), lo = select(steep, ay, ax);
        ok = bitAnd(ok, bitAnd(greater(hi, both(0x1p-500)), less(hi, both(0x1p500))));
        const Groups folded = greater(lo, mul(both(kTanEighthPi), hi));
        const Groups t = div(select(folded, sub(lo, hi), lo), select(folded, add(lo, hi), hi));
        const Groups base = bitAnd(folded, both(kQuarterPi));
        const Groups t2 = mul(t, t);
        Groups series = both(-1.0 / 19.0);
        series = add(both(1.0 / 17.0), mul(t2, series));
        series = add(both(-1.0 / 15.0), mul(t2, series));
        series = add(both(1.0 / 13.0), mul(t2, series));
        series = add(both(-1.0 / 11.0), mul(t2, series));
        series = add(both(1.0 / 9.0), mul(t2, series));
        series = add(both(-1.0 / 7.0), mul(t2, series));
        series = add(both(1.0 / 5.0), mul(t2, series));
        series = add(both(-1.0 / 3.0), mul(t2, series));
        series = add(both(1.0), mul(t2, series));
        Groups phi = add(base, mul(t, series));
        phi = select(steep, sub(both(kHalfPi), phi), phi);
        phi = select(less(hy, zero), sub(both(kPi), phi), phi);
        const Groups texels = mul(phi, both(kTexelsPerRadian));
        const Groups below = sub(texels, both(kTexelMargin)), above = add(texels, both(kTexelMargin));

        for (int h = 0; h < kWays; ++h) {
            const int first = i + 4 * h;
            const int groupLanes = lanes - 4 * h;
            if (groupLanes <= 0)
                break;
            const __m128i u = _mm256_cvttpd_epi32(depth.g[h]);
            const __m128i low = _mm256_cvttpd_epi32(below.g[h]);
            const __m128i high = _mm256_cvttpd_epi32(above.g[h]);
            // Lane k vouches for its node when bit k is set in both masks.
            const int sure =
                _mm256_movemask_pd(ok.g[h]) & _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(low, high)));
            if (sure == 15 && groupLanes >= 4) {
                // u and v side by side: TunnelNode pairs.
                _mm_storeu_si128(reinterpret_cast<__m128i*>(nodes + first), _mm_unpacklo_epi32(u, low));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(nodes + first + 2), _mm_unpackhi_epi32(u, low));
                continue;
            }
            alignas(16) int32_t us[4], vs[4];
            _mm_store_si128(reinterpret_cast<__m128i*>(us), u);
            _mm_store_si128(reinterpret_cast<__m128i*>(vs), low);
            for (int k = 0; k < groupLanes && k < 4; ++k)
                nodes[first + k] = (sure >> k & 1)
                                       ? TunnelNode{us[k], vs[k]}
                                       : traceNodeExact(rotation.transformPoint(directions[first + k]), s, eye);
        }
    }
}

#endif  // QUARNEL_X86_SIMD
