// The on-axis node trace two nodes at a time. Every lane performs the very
// operations of traceOnAxisPlain (wobbleSightLineFast, the on-axis hit,
// aroundTexelsFast) in the same order on IEEE doubles, so it yields the same
// values and takes the same decisions; branches become lane masks.
#include "effects/tunnel/tunnel_axis_trace.h"

#if defined(QUARNEL_X86_SIMD)
#include <emmintrin.h>

#include "effects/tunnel/tunnel_trace.h"

namespace {

using namespace tunnel_trace;

inline __m128d select(__m128d mask, __m128d yes, __m128d no)
{
    return _mm_or_pd(_mm_and_pd(mask, yes), _mm_andnot_pd(mask, no));
}

// Doubles rounded to float and back.
inline __m128d toFloat(__m128d v) { return _mm_cvtps_pd(_mm_cvtpd_ps(v)); }

// The lanes of v whose rounding to float is certain (roundsSurely).
inline __m128d roundsSurely(__m128d v, __m128d absMask)
{
    const __m128d size = _mm_and_pd(v, absMask);
    const __m128d inRange = _mm_and_pd(_mm_cmpgt_pd(size, _mm_set1_pd(0x1p-120)), _mm_cmplt_pd(size, _mm_set1_pd(0x1p60)));
    const __m128 below = _mm_cvtpd_ps(_mm_mul_pd(v, _mm_set1_pd(1.0 - kSightLineMargin)));
    const __m128 above = _mm_cvtpd_ps(_mm_mul_pd(v, _mm_set1_pd(1.0 + kSightLineMargin)));
    const __m128 same = _mm_cmpeq_ps(below, above);
    const __m128d same2 = _mm_castps_pd(_mm_unpacklo_ps(same, same));
    return _mm_or_pd(_mm_cmpeq_pd(v, _mm_setzero_pd()), _mm_and_pd(inRange, same2));
}

}  // namespace

namespace {

void traceBatch(const Vec3* view, int32_t count, double s, const Vec3& eye, TunnelNode* nodes)
{
    const __m128d absMask = _mm_castsi128_pd(_mm_set1_epi64x(0x7FFFFFFFFFFFFFFFLL));
    const __m128d sv = _mm_set1_pd(s);
    const __m128d eyeX = _mm_set1_pd(eye.x), eyeY = _mm_set1_pd(eye.y), eyeZ = _mm_set1_pd(eye.z);
    for (int32_t i = 0; i < count; i += 2) {
        // An odd last node shares the pair with itself.
        const Vec3& first = view[i];
        const Vec3& second = view[i + 1 < count ? i + 1 : i];
        const __m128d x = _mm_setr_pd(first.x, second.x);
        const __m128d y = _mm_setr_pd(first.y, second.y);
        const __m128d z = _mm_setr_pd(first.z, second.z);

        // The wobble: w = 0.5 + 0.3f cos 5θ s with cos 5θ from c = cos θ.
        const __m128d rho2 = _mm_add_pd(_mm_mul_pd(x, x), _mm_mul_pd(y, y));
        __m128d ok = _mm_and_pd(_mm_cmpgt_pd(rho2, _mm_set1_pd(0x1p-200)), _mm_cmplt_pd(rho2, _mm_set1_pd(0x1p200)));
        const __m128d c = _mm_div_pd(y, _mm_sqrt_pd(rho2));
        const __m128d c2 = _mm_mul_pd(c, c);
        __m128d poly = _mm_add_pd(_mm_set1_pd(-20.0), _mm_mul_pd(_mm_set1_pd(16.0), c2));
        poly = _mm_add_pd(_mm_set1_pd(5.0), _mm_mul_pd(c2, poly));
        const __m128d cos5 = _mm_mul_pd(c, poly);
        const __m128d w = _mm_add_pd(_mm_set1_pd(0.5), _mm_mul_pd(_mm_mul_pd(_mm_set1_pd(double(kWobble)), cos5), sv));
        const __m128d dx = _mm_mul_pd(w, x), dy = _mm_mul_pd(w, y);
        ok = _mm_and_pd(ok, _mm_and_pd(roundsSurely(dx, absMask), roundsSurely(dy, absMask)));
        const __m128d fdx = toFloat(dx), fdy = toFloat(dy);

        // The hit from the axis: -(sqrt(A) / A), or no hit for A = 0.
        const __m128d a = toFloat(_mm_add_pd(_mm_mul_pd(fdx, fdx), _mm_mul_pd(fdy, fdy)));
        const __m128d negative = _mm_castsi128_pd(_mm_set1_epi64x(static_cast<long long>(0x8000000000000000ULL)));
        const __m128d root = _mm_xor_pd(_mm_div_pd(_mm_sqrt_pd(a), a), negative);
        const __m128d lambda = select(_mm_cmpgt_pd(a, _mm_setzero_pd()), root, _mm_set1_pd(TunnelMapper::kNoHit));
        const __m128d hx = toFloat(_mm_add_pd(eyeX, _mm_mul_pd(lambda, fdx)));
        const __m128d hy = toFloat(_mm_add_pd(eyeY, _mm_mul_pd(lambda, fdy)));
        const __m128d hz = toFloat(_mm_add_pd(eyeZ, _mm_mul_pd(lambda, z)));

        // u = trunc(hz * 15), where the 32-bit conversion is exact.
        const __m128d depth = _mm_mul_pd(hz, _mm_set1_pd(15.0));
        ok = _mm_and_pd(ok, _mm_cmplt_pd(_mm_and_pd(depth, absMask), _mm_set1_pd(0x1p31)));
        const __m128i u = _mm_cvttpd_epi32(depth);

        // v = trunc(|atan2(hx, hy)| * 256 / pi) by the fast arc tangent.
        const __m128d ax = _mm_and_pd(hx, absMask), ay = _mm_and_pd(hy, absMask);
        const __m128d steep = _mm_cmpgt_pd(ax, ay);
        const __m128d hi = select(steep, ax, ay), lo = select(steep, ay, ax);
        ok = _mm_and_pd(ok, _mm_and_pd(_mm_cmpgt_pd(hi, _mm_set1_pd(0x1p-500)), _mm_cmplt_pd(hi, _mm_set1_pd(0x1p500))));
        const __m128d folded = _mm_cmpgt_pd(lo, _mm_mul_pd(_mm_set1_pd(kTanEighthPi), hi));
        const __m128d t = _mm_div_pd(select(folded, _mm_sub_pd(lo, hi), lo), select(folded, _mm_add_pd(lo, hi), hi));
        const __m128d base = _mm_and_pd(folded, _mm_set1_pd(kQuarterPi));
        const __m128d t2 = _mm_mul_pd(t, t);
        __m128d series = _mm_set1_pd(-1.0 / 19.0);
        series = _mm_add_pd(_mm_set1_pd(1.0 / 17.0), _mm_mul_pd(t2, series));
        series = _mm_add_pd(_mm_set1_pd(-1.0 / 15.0), _mm_mul_pd(t2, series));
        series = _mm_add_pd(_mm_set1_pd(1.0 / 13.0), _mm_mul_pd(t2, series));
        series = _mm_add_pd(_mm_set1_pd(-1.0 / 11.0), _mm_mul_pd(t2, series));
        series = _mm_add_pd(_mm_set1_pd(1.0 / 9.0), _mm_mul_pd(t2, series));
        series = _mm_add_pd(_mm_set1_pd(-1.0 / 7.0), _mm_mul_pd(t2, series));
        series = _mm_add_pd(_mm_set1_pd(1.0 / 5.0), _mm_mul_pd(t2, series));
        series = _mm_add_pd(_mm_set1_pd(-1.0 / 3.0), _mm_mul_pd(t2, series));
        series = _mm_add_pd(_mm_set1_pd(1.0), _mm_mul_pd(t2, series));
        __m128d phi = _mm_add_pd(base, _mm_mul_pd(t, series));
        phi = select(steep, _mm_sub_pd(_mm_set1_pd(kHalfPi), phi), phi);
        phi = select(_mm_cmplt_pd(hy, _mm_setzero_pd()), _mm_sub_pd(_mm_set1_pd(kPi), phi), phi);
        const __m128d texels = _mm_mul_pd(phi, _mm_set1_pd(kTexelsPerRadian));
        const __m128i low = _mm_cvttpd_epi32(_mm_sub_pd(texels, _mm_set1_pd(kTexelMargin)));
        const __m128i high = _mm_cvttpd_epi32(_mm_add_pd(texels, _mm_set1_pd(kTexelMargin)));

        // Lane k vouches for its node when bit k is set in both masks.
        const int sure = _mm_movemask_pd(ok) & _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(low, high)));
        alignas(16) int32_t us[4], vs[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(us), u);
        _mm_store_si128(reinterpret_cast<__m128i*>(vs), low);
        const int lanes = i + 1 < count ? 2 : 1;
        for (int k = 0; k < lanes; ++k)
            nodes[i + k] = (sure >> k & 1) ? TunnelNode{us[k], vs[k]} : traceNodeExact(view[i + k], s, eye);
    }
}

}  // namespace

void traceOnAxisSse2(const Vec3* directions, const Matrix4& rotation, int32_t count, double s, const Vec3& eye,
                     TunnelNode* nodes)
{
    // The rotation node by node (Matrix4 transformPoint), then the rest two
    // lanes at a time.
    constexpr int32_t kBatch = 32;
    Vec3 view[kBatch];
    for (int32_t first = 0; first < count; first += kBatch) {
        const int32_t n = count - first < kBatch ? count - first : kBatch;
        for (int32_t k = 0; k < n; ++k)
            view[k] = rotation.transformPoint(directions[first + k]);
        traceBatch(view, n, s, eye, nodes + first);
    }
}

#endif  // QUARNEL_X86_SIMD
