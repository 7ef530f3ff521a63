// The fast wobble two vertices at a time in packed doubles, with the same
// operations in the same order as wobbleVerticesScalar.
#include "effects/spheres/wobble_kernels.h"

#if defined(QUARNEL_X86_SIMD)
#include <emmintrin.h>

namespace {

// Lanes whose value surely rounds to the same float as every double within
// the relative margin (see roundsSurely in the plain kernel), as a 2-bit mask.
inline int roundsSurely2(__m128d v, __m128d below, __m128d above)
{
    const __m128 low = _mm_cvtpd_ps(_mm_mul_pd(v, below));
    const __m128 high = _mm_cvtpd_ps(_mm_mul_pd(v, above));
    const int same = _mm_movemask_ps(_mm_cmpeq_ps(low, high)) & 3;
    const __m128d magnitude = _mm_andnot_pd(_mm_set1_pd(-0.0), v);
    const int zero = _mm_movemask_pd(_mm_cmpeq_pd(v, _mm_setzero_pd()));
    const int large = _mm_movemask_pd(_mm_cmpgt_pd(magnitude, _mm_set1_pd(0x1p-120)));
    return zero | (large & same);
}

}  // namespace

void wobbleVerticesSse2(const WobbleFrame& w, const WobbleBasis& b, const Vertex* in, Vertex* out, int32_t count)
{
    const __m128d a = _mm_set1_pd(w.amplitude), sp = _mm_set1_pd(w.sinP), cp = _mm_set1_pd(w.cosP);
    const __m128d one = _mm_set1_pd(1.0);
    const __m128d below = _mm_set1_pd(1.0 - w.margin), above = _mm_set1_pd(1.0 + w.margin);
    int32_t i = 0;
    for (; i + 2 <= count; i += 2) {
        const Vec3& p0 = in[i].position;
        const Vec3& p1 = in[i + 1].position;
        const __m128d x = _mm_set_pd(p1.x, p0.x), y = _mm_set_pd(p1.y, p0.y), z = _mm_set_pd(p1.z, p0.z);
        const __m128d sG = _mm_add_pd(_mm_mul_pd(sp, _mm_loadu_pd(b.cosZY + i)), _mm_mul_pd(cp, _mm_loadu_pd(b.sinZY + i)));
        const __m128d sD = _mm_sub_pd(_mm_mul_pd(sp, _mm_loadu_pd(b.cosXZ + i)), _mm_mul_pd(cp, _mm_loadu_pd(b.sinXZ + i)));
        const __m128d sH = _mm_sub_pd(_mm_mul_pd(_mm_loadu_pd(b.sinXY + i), cp), _mm_mul_pd(_mm_loadu_pd(b.cosXY + i), sp));
        const __m128d g = _mm_add_pd(one, _mm_mul_pd(a, sG));
        const __m128d d = _mm_add_pd(one, _mm_mul_pd(a, sD));
        const __m128d h = _mm_add_pd(one, _mm_mul_pd(a, sH));
        const __m128d ox = _mm_mul_pd(_mm_mul_pd(x, h), d);
        const __m128d oy = _mm_mul_pd(_mm_mul_pd(y, h), g);
        const __m128d oz = _mm_mul_pd(_mm_mul_pd(z, d), g);
        const int sure = roundsSurely2(ox, below, above) & roundsSurely2(oy, below, above) &
                         roundsSurely2(oz, below, above);
        alignas(16) float fx[4], fy[4], fz[4];
        _mm_store_ps(fx, _mm_cvtpd_ps(ox));
        _mm_store_ps(fy, _mm_cvtpd_ps(oy));
        _mm_store_ps(fz, _mm_cvtpd_ps(oz));
        for (int k = 0; k < 2; ++k)
            out[i + k].position = (sure >> k & 1) ? Vec3(fx[k], fy[k], fz[k])
                                                  : wobbleVertexExact(in[i + k].position, w);
    }
    if (i < count) {
        const WobbleBasis tail{b.sinZY + i, b.cosZY + i, b.sinXZ + i, b.cosXZ + i, b.sinXY + i, b.cosXY + i};
        wobbleVerticesScalar(w, tail, in + i, out + i, count - i);
    }
}

#endif  // QUARNEL_X86_SIMD
