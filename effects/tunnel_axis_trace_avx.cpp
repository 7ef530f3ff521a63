// The on-axis node trace four nodes at a time in AVX doubles, compiled for
// AVX function by function and called only when the processor has it. Every
// lane performs the very operations of traceOnAxisPlain (Matrix4
// transformPoint, wobbleSightLineFast, the on-axis hit, aroundTexelsFast) in
// the same order on IEEE doubles (no fused multiply-add), so it yields the
// same values and takes the same decisions; branches become lane masks.
#include "effects/tunnel_axis_trace.h"

#if defined(QUARNEL_TUNNEL_AVX)
#include <immintrin.h>

#include "effects/tunnel_trace.h"

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

QUARNEL_AVX void traceOnAxisAvx(const Vec3* directions, const Matrix4& rotation, int32_t count, double s,
                                const Vec3& eye, TunnelNode* nodes)
{
    const __m256d absMask = _mm256_castsi256_pd(_mm256_set1_epi64x(0x7FFFFFFFFFFFFFFFLL));
    const __m256d signMask = _mm256_castsi256_pd(_mm256_set1_epi64x(static_cast<long long>(0x8000000000000000ULL)));
    const __m256d sv = broadcast(s);
    const __m256d eyeX = broadcast(eye.x), eyeY = broadcast(eye.y), eyeZ = broadcast(eye.z);
    __m256d m[4][3];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c)
            m[r][c] = broadcast(rotation.m[r][c]);

    for (int32_t i = 0; i < count; i += 4) {
        const int lanes = count - i < 4 ? int(count - i) : 4;
        __m256d dirX, dirY, dirZ;
        if (lanes == 4) {
            loadFour(directions + i, dirX, dirY, dirZ);
        } else {
            // The last few nodes, padded by repeating the last one.
            Vec3 tail[4];
            for (int k = 0; k < 4; ++k)
                tail[k] = directions[i + (k < lanes ? k : lanes - 1)];
            loadFour(tail, dirX, dirY, dirZ);
        }
        // r = the direction as a row times the matrix, rounded to float.
        const __m256d x = column(dirX, dirY, dirZ, m, 0), y = column(dirX, dirY, dirZ, m, 1);
        const __m256d z = column(dirX, dirY, dirZ, m, 2);

        // The wobble: w = 0.5 + 0.3f cos 5θ s with cos 5θ from c = cos θ.
        const __m256d rho2 = _mm256_add_pd(_mm256_mul_pd(x, x), _mm256_mul_pd(y, y));
        __m256d ok = _mm256_and_pd(greater(rho2, broadcast(0x1p-200)), less(rho2, broadcast(0x1p200)));
        const __m256d c = _mm256_div_pd(y, _mm256_sqrt_pd(rho2));
        const __m256d c2 = _mm256_mul_pd(c, c);
        __m256d poly = _mm256_add_pd(broadcast(-20.0), _mm256_mul_pd(broadcast(16.0), c2));
        poly = _mm256_add_pd(broadcast(5.0), _mm256_mul_pd(c2, poly));
        const __m256d cos5 = _mm256_mul_pd(c, poly);
        const __m256d w =
            _mm256_add_pd(broadcast(0.5), _mm256_mul_pd(_mm256_mul_pd(broadcast(double(kWobble)), cos5), sv));
        const __m256d dx = _mm256_mul_pd(w, x), dy = _mm256_mul_pd(w, y);
        ok = _mm256_and_pd(ok, _mm256_and_pd(roundsSurely(dx, absMask), roundsSurely(dy, absMask)));
        const __m256d fdx = toFloat(dx), fdy = toFloat(dy);

        // The hit from the axis: -(sqrt(A) / A), or no hit for A = 0.
        const __m256d a = toFloat(_mm256_add_pd(_mm256_mul_pd(fdx, fdx), _mm256_mul_pd(fdy, fdy)));
        const __m256d root = _mm256_xor_pd(_mm256_div_pd(_mm256_sqrt_pd(a), a), signMask);
        const __m256d lambda = select(greater(a, _mm256_setzero_pd()), root, broadcast(TunnelMapper::kNoHit));
        const __m256d hx = toFloat(_mm256_add_pd(eyeX, _mm256_mul_pd(lambda, fdx)));
        const __m256d hy = toFloat(_mm256_add_pd(eyeY, _mm256_mul_pd(lambda, fdy)));
        const __m256d hz = toFloat(_mm256_add_pd(eyeZ, _mm256_mul_pd(lambda, z)));

        // u = trunc(hz * 15), where the 32-bit conversion is exact.
        const __m256d depth = _mm256_mul_pd(hz, broadcast(15.0));
        ok = _mm256_and_pd(ok, less(_mm256_and_pd(depth, absMask), broadcast(0x1p31)));
        const __m128i u = _mm256_cvttpd_epi32(depth);

        // v = trunc(|atan2(hx, hy)| * 256 / pi) by the fast arc tangent.
        const __m256d ax = _mm256_and_pd(hx, absMask), ay = _mm256_and_pd(hy, absMask);
        const __m256d steep = greater(ax, ay);
        const __m256d hi = select(steep, ax, ay), lo = select(steep, ay, ax);
        ok = _mm256_and_pd(ok, _mm256_and_pd(greater(hi, broadcast(0x1p-500)), less(hi, broadcast(0x1p500))));
        const __m256d folded = greater(lo, _mm256_mul_pd(broadcast(kTanEighthPi), hi));
        const __m256d t = _mm256_div_pd(select(folded, _mm256_sub_pd(lo, hi), lo),
                                        select(folded, _mm256_add_pd(lo, hi), hi));
        const __m256d base = _mm256_and_pd(folded, broadcast(kQuarterPi));
        const __m256d t2 = _mm256_mul_pd(t, t);
        __m256d series = broadcast(-1.0 / 19.0);
        series = _mm256_add_pd(broadcast(1.0 / 17.0), _mm256_mul_pd(t2, series));
        series = _mm256_add_pd(broadcast(-1.0 / 15.0), _mm256_mul_pd(t2, series));
        series = _mm256_add_pd(broadcast(1.0 / 13.0), _mm256_mul_pd(t2, series));
        series = _mm256_add_pd(broadcast(-1.0 / 11.0), _mm256_mul_pd(t2, series));
        series = _mm256_add_pd(broadcast(1.0 / 9.0), _mm256_mul_pd(t2, series));
        series = _mm256_add_pd(broadcast(-1.0 / 7.0), _mm256_mul_pd(t2, series));
        series = _mm256_add_pd(broadcast(1.0 / 5.0), _mm256_mul_pd(t2, series));
        series = _mm256_add_pd(broadcast(-1.0 / 3.0), _mm256_mul_pd(t2, series));
        series = _mm256_add_pd(broadcast(1.0), _mm256_mul_pd(t2, series));
        __m256d phi = _mm256_add_pd(base, _mm256_mul_pd(t, series));
        phi = select(steep, _mm256_sub_pd(broadcast(kHalfPi), phi), phi);
        phi = select(less(hy, _mm256_setzero_pd()), _mm256_sub_pd(broadcast(kPi), phi), phi);
        const __m256d texels = _mm256_mul_pd(phi, broadcast(kTexelsPerRadian));
        const __m128i low = _mm256_cvttpd_epi32(_mm256_sub_pd(texels, broadcast(kTexelMargin)));
        const __m128i high = _mm256_cvttpd_epi32(_mm256_add_pd(texels, broadcast(kTexelMargin)));

        // Lane k vouches for its node when bit k is set in both masks.
        const int sure = _mm256_movemask_pd(ok) & _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(low, high)));
        if (sure == 15 && lanes == 4) {
            // u and v side by side: TunnelNode pairs.
            _mm_storeu_si128(reinterpret_cast<__m128i*>(nodes + i), _mm_unpacklo_epi32(u, low));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(nodes + i + 2), _mm_unpackhi_epi32(u, low));
            continue;
        }
        alignas(16) int32_t us[4], vs[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(us), u);
        _mm_store_si128(reinterpret_cast<__m128i*>(vs), low);
        for (int k = 0; k < lanes; ++k)
            nodes[i + k] = (sure >> k & 1) ? TunnelNode{us[k], vs[k]}
                                           : traceNodeExact(rotation.transformPoint(directions[i + k]), s, eye);
    }
}

bool avxSupported() { return __builtin_cpu_supports("avx"); }

#endif  // QUARNEL_TUNNEL_AVX
