// The fast wobble four vertices at a time in 256-bit packed doubles, with the
// same operations in the same order as wobbleVerticesScalar (no fused
// multiply-add), compiled for AVX in this file only. Shared headers are
// included before the instruction set is raised; what follows has internal
// linkage or is the kernel itself.
#include "effects/spheres/wobble_kernels.h"

#if defined(QUARNEL_X86_SIMD)

#include <immintrin.h>

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx")
#endif

namespace {

// Lanes whose value surely rounds to the same float as every double within
// the relative margin (see roundsSurely in the plain kernel), as a 4-bit mask.
inline int roundsSurely4(__m256d v, __m256d below, __m256d above)
{
    const __m128 low = _mm256_cvtpd_ps(_mm256_mul_pd(v, below));
    const __m128 high = _mm256_cvtpd_ps(_mm256_mul_pd(v, above));
    const int same = _mm_movemask_ps(_mm_cmpeq_ps(low, high));
    const __m256d magnitude = _mm256_andnot_pd(_mm256_set1_pd(-0.0), v);
    const int zero = _mm256_movemask_pd(_mm256_cmp_pd(v, _mm256_setzero_pd(), _CMP_EQ_OQ));
    const int large = _mm256_movemask_pd(_mm256_cmp_pd(magnitude, _mm256_set1_pd(0x1p-120), _CMP_GT_OQ));
    return zero | (large & same);
}

}  // namespace

void wobbleVerticesAvx(const WobbleFrame& w, const WobbleBasis& b, const Vertex* in, Vertex* out, int32_t count)
{
    const __m256d a = _mm256_set1_pd(w.amplitude), sp = _mm256_set1_pd(w.sinP), cp = _mm256_set1_pd(w.cosP);
    const __m256d one = _mm256_set1_pd(1.0);
    const __m256d below = _mm256_set1_pd(1.0 - w.margin), above = _mm256_set1_pd(1.0 + w.margin);
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const Vertex* v = in + i;
        const __m256d x = _mm256_cvtps_pd(_mm_setr_ps(v[0].position.x, v[1].position.x, v[2].position.x, v[3].position.x));
        const __m256d y = _mm256_cvtps_pd(_mm_setr_ps(v[0].position.y, v[1].position.y, v[2].position.y, v[3].position.y));
        const __m256d z = _mm256_cvtps_pd(_mm_setr_ps(v[0].position.z, v[1].position.z, v[2].position.z, v[3].position.z));
        const __m256d sG = _mm256_add_pd(_mm256_mul_pd(sp, _mm256_loadu_pd(b.cosZY + i)),
                                         _mm256_mul_pd(cp, _mm256_loadu_pd(b.sinZY + i)));
        const __m256d sD = _mm256_sub_pd(_mm256_mul_pd(sp, _mm256_loadu_pd(b.cosXZ + i)),
                                         _mm256_mul_pd(cp, _mm256_loadu_pd(b.sinXZ + i)));
        const __m256d sH = _mm256_sub_pd(_mm256_mul_pd(_mm256_loadu_pd(b.sinXY + i), cp),
                                         _mm256_mul_pd(_mm256_loadu_pd(b.cosXY + i), sp));
        const __m256d g = _mm256_add_pd(one, _mm256_mul_pd(a, sG));
        const __m256d d = _mm256_add_pd(one, _mm256_mul_pd(a, sD));
        const __m256d h = _mm256_add_pd(one, _mm256_mul_pd(a, sH));
        const __m256d ox = _mm256_mul_pd(_mm256_mul_pd(x, h), d);
        const __m256d oy = _mm256_mul_pd(_mm256_mul_pd(y, h), g);
        const __m256d oz = _mm256_mul_pd(_mm256_mul_pd(z, d), g);
        const int sure = roundsSurely4(ox, below, above) & roundsSurely4(oy, below, above) &
                         roundsSurely4(oz, below, above);
        alignas(16) float fx[4], fy[4], fz[4];
        _mm_store_ps(fx, _mm256_cvtpd_ps(ox));
        _mm_store_ps(fy, _mm256_cvtpd_ps(oy));
        _mm_store_ps(fz, _mm256_cvtpd_ps(oz));
        for (int k = 0; k < 4; ++k) {
            if (sure >> k & 1) {
                out[i + k].position.x = fx[k];
                out[i + k].position.y = fy[k];
                out[i + k].position.z = fz[k];
            } else {
                out[i + k].position = wobbleVertexExact(in[i + k].position, w);
            }
        }
    }
    if (i < count) {
        const WobbleBasis tail{b.sinZY + i, b.cosZY + i, b.sinXZ + i, b.cosXZ + i, b.sinXY + i, b.cosXY + i};
        wobbleVerticesScalar(w, tail, in + i, out + i, count - i);
    }
}

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

#endif  // QUARNEL_X86_SIMD
