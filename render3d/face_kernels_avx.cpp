// The shading and projection kernels four at a time in 256-bit packed doubles,
// compiled for AVX in this file only and called only when the processor has
// it. Every value goes through the same operations in the same order as in
// the plain kernels (packed operations round exactly like scalar ones, and
// there is no fused multiply-add), so the results are the same bits. Every
// header with shared inline code is included before the instruction set is
// raised, so no copy of shared code built here can replace the baseline one;
// what comes after has internal linkage or is one of the kernels.
#include "render3d/face_kernels.h"

#if defined(QUARNEL_FACES_AVX)

#include <immintrin.h>

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx")
#endif

namespace {

// Four floats from anywhere, widened exactly to double.
inline __m256d gather4(float a, float b, float c, float d) { return _mm256_cvtps_pd(_mm_setr_ps(a, b, c, d)); }

inline __m256d splat4(float v) { return _mm256_set1_pd(double(v)); }

// Rounds every lane to float and back, as storing into a float field does.
inline __m256d roundToFloat4(__m256d v) { return _mm256_cvtps_pd(_mm256_cvtpd_ps(v)); }

// (a.x b.x + a.y b.y) + a.z b.z, the order of the plain dot products.
inline __m256d dot3(__m256d ax, __m256d ay, __m256d az, __m256d bx, __m256d by, __m256d bz)
{
    return _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(ax, bx), _mm256_mul_pd(ay, by)), _mm256_mul_pd(az, bz));
}

inline __m256d select4(__m256d mask, __m256d yes, __m256d no) { return _mm256_blendv_pd(no, yes, mask); }

// c + a b, as the plain arc cosine's Horner steps.
inline __m256d mad4(__m256d a, __m256d b, double c) { return _mm256_add_pd(_mm256_set1_pd(c), _mm256_mul_pd(a, b)); }

// fastAcos in four lanes, step for step.
inline __m256d fastAcos4(__m256d q)
{
    using namespace fast_acos_detail;
    const __m256d aq = _mm256_andnot_pd(_mm256_set1_pd(-0.0), q);
    const __m256d small = _mm256_cmp_pd(aq, _mm256_set1_pd(0.5), _CMP_LE_OQ);
    const __m256d zBig = _mm256_mul_pd(_mm256_sub_pd(_mm256_set1_pd(1.0), aq), _mm256_set1_pd(0.5));
    const __m256d z = select4(small, _mm256_mul_pd(q, q), zBig);
    const __m256d s = select4(small, q, _mm256_sqrt_pd(zBig));
    const __m256d p =
        _mm256_mul_pd(z, mad4(z, mad4(z, mad4(z, mad4(z, mad4(z, _mm256_set1_pd(pS5), pS4), pS3), pS2), pS1), pS0));
    const __m256d d = mad4(z, mad4(z, mad4(z, mad4(z, _mm256_set1_pd(qS4), qS3), qS2), qS1), 1.0);
    const __m256d asinS = _mm256_add_pd(s, _mm256_mul_pd(s, _mm256_div_pd(p, d)));
    const __m256d twice = _mm256_add_pd(asinS, asinS);
    const __m256d positive = _mm256_cmp_pd(q, _mm256_setzero_pd(), _CMP_GT_OQ);
    const __m256d big = select4(positive, twice, _mm256_sub_pd(_mm256_set1_pd(kPi), twice));
    return select4(small, _mm256_sub_pd(_mm256_set1_pd(kHalfPi), asinS), big);
}

}  // namespace

void shadeFacesAvx(const Face* faces, const int32_t* list, int32_t count, const Matrix4& w, const Vec3& light,
                   double lightLengthSq, uint8_t* shade, uint8_t* sure)
{
    const __m256d lx = splat4(light.x), ly = splat4(light.y), lz = splat4(light.z);
    const __m256d ll = _mm256_set1_pd(lightLengthSq);
    const __m256d one = _mm256_set1_pd(1.0), minusOne = _mm256_set1_pd(-1.0);
    const __m256d perRadian = _mm256_set1_pd(kShadePerRadian), margin = _mm256_set1_pd(kShadeMargin);
    const __m256d m00 = splat4(w.m[0][0]), m10 = splat4(w.m[1][0]), m20 = splat4(w.m[2][0]);
    const __m256d m01 = splat4(w.m[0][1]), m11 = splat4(w.m[1][1]), m21 = splat4(w.m[2][1]);
    const __m256d m02 = splat4(w.m[0][2]), m12 = splat4(w.m[1][2]), m22 = splat4(w.m[2][2]);

    int32_t k = 0;
    for (; k + 4 <= count; k += 4) {
        const Vec3& n0 = faces[list[k]].normal;
        const Vec3& n1 = faces[list[k + 1]].normal;
        const Vec3& n2 = faces[list[k + 2]].normal;
        const Vec3& n3 = faces[list[k + 3]].normal;
        const __m256d nx = gather4(n0.x, n1.x, n2.x, n3.x);
        const __m256d ny = gather4(n0.y, n1.y, n2.y, n3.y);
        const __m256d nz = gather4(n0.z, n1.z, n2.z, n3.z);
        // World normal (rotateVector, rounded to float) and its cosine with the light.
        const __m256d mx = roundToFloat4(dot3(nx, ny, nz, m00, m10, m20));
        const __m256d my = roundToFloat4(dot3(nx, ny, nz, m01, m11, m21));
        const __m256d mz = roundToFloat4(dot3(nx, ny, nz, m02, m12, m22));
        const __m256d mm = dot3(mx, my, mz, mx, my, mz);
        __m256d q = _mm256_div_pd(dot3(mx, my, mz, lx, ly, lz), _mm256_sqrt_pd(_mm256_mul_pd(mm, ll)));
        // Clamp to -1 ... 1; not a number counts as -1.
        q = select4(_mm256_cmp_pd(q, one, _CMP_GT_OQ), one, q);
        q = select4(_mm256_cmp_pd(q, minusOne, _CMP_GE_OQ), q, minusOne);

        const __m256d v = _mm256_mul_pd(fastAcos4(q), perRadian);
        const __m128i whole = _mm256_cvttpd_epi32(v);
        const __m128i low = _mm256_cvttpd_epi32(_mm256_sub_pd(v, margin));
        const __m128i high = _mm256_cvttpd_epi32(_mm256_add_pd(v, margin));
        const __m128i certain = _mm_cmpeq_epi32(low, high);
        // Bytes: 1 where sure, and the truncated shade where sure (0 elsewhere).
        const __m128i sureBytes = _mm_packs_epi16(_mm_packs_epi32(_mm_srli_epi32(certain, 31), _mm_setzero_si128()),
                                                  _mm_setzero_si128());
        const __m128i shadeLow = _mm_and_si128(_mm_and_si128(whole, certain), _mm_set1_epi32(0xFF));
        const __m128i shadeBytes =
            _mm_packus_epi16(_mm_packs_epi32(shadeLow, _mm_setzero_si128()), _mm_setzero_si128());
        const int32_t sure4 = _mm_cvtsi128_si32(sureBytes), shade4 = _mm_cvtsi128_si32(shadeBytes);
        __builtin_memcpy(sure + k, &sure4, 4);
        __builtin_memcpy(shade + k, &shade4, 4);
    }
    if (k < count)
        shadeFacesScalar(faces, list + k, count - k, w, light, lightLengthSq, shade + k, sure + k);
}

int32_t projectVerticesAvx(const Matrix4& w, const Vertex* vertices, int32_t count, int32_t width, int32_t height,
                           float f, ScreenVertex* out, uint8_t* valid)
{
    const __m256d focal = splat4(f);
    const __m256d halfWidth = _mm256_set1_pd(width * 0.5), halfHeight = _mm256_set1_pd(height * 0.5);
    const __m256d depthScale = _mm256_set1_pd(16777215.0);
    const __m256d lowest = _mm256_set1_pd(-2147483649.0), beyond = _mm256_set1_pd(2147483648.0);
    const __m256d signBit = _mm256_set1_pd(-0.0);
    __m256d m[4][3];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c)
            m[r][c] = splat4(w.m[r][c]);

    int32_t validCount = 0;
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const Vertex* v = vertices + i;
        const __m256d x = gather4(v[0].position.x, v[1].position.x, v[2].position.x, v[3].position.x);
        const __m256d y = gather4(v[0].position.y, v[1].position.y, v[2].position.y, v[3].position.y);
        const __m256d z = gather4(v[0].position.z, v[1].position.z, v[2].position.z, v[3].position.z);
        // transformPoint: ((x m0c + y m1c) + z m2c) + m3c, rounded to float.
        __m256d wc[3];
        for (int c = 0; c < 3; ++c)
            wc[c] = roundToFloat4(_mm256_add_pd(
                _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(x, m[0][c]), _mm256_mul_pd(y, m[1][c])),
                              _mm256_mul_pd(z, m[2][c])),
                m[3][c]));
        const __m256d wx = wc[0], wy = wc[1], wz = wc[2];
        const __m256d minusZ = _mm256_xor_pd(wz, signBit);
        const __m256d sx = _mm256_add_pd(halfWidth, _mm256_div_pd(_mm256_mul_pd(wx, focal), minusZ));
        const __m256d sy = _mm256_add_pd(_mm256_div_pd(_mm256_mul_pd(wy, focal), minusZ), halfHeight);
        const __m256d depth = _mm256_div_pd(depthScale, wz);
        const __m256d fitX = _mm256_and_pd(_mm256_cmp_pd(sx, lowest, _CMP_GT_OQ), _mm256_cmp_pd(sx, beyond, _CMP_LT_OQ));
        const __m256d fitY = _mm256_and_pd(_mm256_cmp_pd(sy, lowest, _CMP_GT_OQ), _mm256_cmp_pd(sy, beyond, _CMP_LT_OQ));
        const __m256d fitD =
            _mm256_and_pd(_mm256_cmp_pd(depth, lowest, _CMP_GT_OQ), _mm256_cmp_pd(depth, beyond, _CMP_LT_OQ));
        const __m256d ok = _mm256_and_pd(_mm256_and_pd(_mm256_cmp_pd(wz, _mm256_setzero_pd(), _CMP_LT_OQ), fitX),
                                         _mm256_and_pd(fitY, fitD));
        const int okMask = _mm256_movemask_pd(ok);
        // Lanes that fail keep 0 in every field: the low halves of the
        // 64-bit lane masks, as four 32-bit masks.
        const __m128 okLow = _mm_shuffle_ps(_mm_castpd_ps(_mm256_castpd256_pd128(ok)),
                                            _mm_castpd_ps(_mm256_extractf128_pd(ok, 1)), _MM_SHUFFLE(2, 0, 2, 0));
        const __m128i okLanes = _mm_castps_si128(okLow);
        const __m128i ix = _mm_and_si128(_mm256_cvttpd_epi32(sx), okLanes);
        const __m128i iy = _mm_and_si128(_mm256_cvttpd_epi32(sy), okLanes);
        const __m128i id = _mm_and_si128(_mm256_cvttpd_epi32(depth), okLanes);
        // Interleave (x, y, depth) into four 12-byte records.
        alignas(16) int32_t xy[8], d[4], rec[12];
        _mm_store_si128(reinterpret_cast<__m128i*>(xy), _mm_unpacklo_epi32(ix, iy));      // x0 y0 x1 y1
        _mm_store_si128(reinterpret_cast<__m128i*>(xy + 4), _mm_unpackhi_epi32(ix, iy));  // x2 y2 x3 y3
        _mm_store_si128(reinterpret_cast<__m128i*>(d), id);
        for (int k = 0; k < 4; ++k) {
            rec[3 * k] = xy[2 * k];
            rec[3 * k + 1] = xy[2 * k + 1];
            rec[3 * k + 2] = d[k];
        }
        __builtin_memcpy(out + i, rec, sizeof rec);
        const int32_t validBytes = int32_t((okMask & 1) | (okMask & 2) << 7 | (okMask & 4) << 14 | (okMask & 8) << 21);
        __builtin_memcpy(valid + i, &validBytes, 4);
        validCount += __builtin_popcount(unsigned(okMask));
    }
    if (i < count) {
        projectVerticesScalar(w, vertices + i, count - i, width, height, f, out + i, valid + i);
        for (int32_t k = i; k < count; ++k)
            validCount += valid[k];
    }
    return validCount;
}

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

bool faceKernelsAvxUsable()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx");
}

#endif  // QUARNEL_FACES_AVX
