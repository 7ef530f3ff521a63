// The triangle fill with an eight-lane AVX2 span fill, compiled for AVX2 in
// this file only and called only when the processor has it. Every header
// with shared inline code is included before the instruction set is raised,
// so no copy of shared code built here can replace the baseline one; what
// comes after has internal linkage.
#include "render3d/raster_kernels.h"

#if defined(QUARNEL_X86_SIMD)

#include <immintrin.h>

#include <algorithm>
#include <cstdint>

#include "render3d/exact_divide.h"
#include "render3d/rasterizer.h"
#include "render3d/span_kernels.h"

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

#include "render3d/triangle_fill.h"

namespace {

// As fillSpanSse2, eight lanes in one register. k < old (unsigned) is
// max(k, old) != k; the blend keeps the old value where the mask is off.
struct SpanAvx2 {
    static inline void fill(uint32_t* rowPixels, uint32_t* rowKeys, int32_t width, int32_t xl, int32_t n,
                            uint32_t z, uint32_t dz, uint32_t color)
    {
        const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
        const __m256i ink = _mm256_set1_epi32(int32_t(color));
        // Lane j holds z + j*dz; the low 32 bits of the product wrap exactly
        // like j repeated additions.
        const __m256i step1 = _mm256_set1_epi32(int32_t(dz));
        const __m256i step8 = _mm256_set1_epi32(int32_t(8 * dz));
        __m256i zs = _mm256_add_epi32(_mm256_set1_epi32(int32_t(z)), _mm256_mullo_epi32(step1, lanes));

        int32_t i = 0;
        for (; i < n; i += 8) {
            const int32_t x = xl + i;
            if (x > width - 8)
                break;
            __m256i* keys = reinterpret_cast<__m256i*>(rowKeys + x);
            __m256i* pixels = reinterpret_cast<__m256i*>(rowPixels + x);
            const __m256i k = _mm256_srai_epi32(zs, 8);
            const __m256i old = _mm256_loadu_si256(keys);
            const __m256i notNearer = _mm256_cmpeq_epi32(_mm256_max_epu32(k, old), k);
            const __m256i inSpan = _mm256_cmpgt_epi32(_mm256_set1_epi32(n - i), lanes);
            const __m256i mask = _mm256_andnot_si256(notNearer, inSpan);
            _mm256_storeu_si256(keys, _mm256_blendv_epi8(old, k, mask));
            _mm256_storeu_si256(pixels, _mm256_blendv_epi8(_mm256_loadu_si256(pixels), ink, mask));
            zs = _mm256_add_epi32(zs, step8);
        }
        if (i < n)
            fillSpanScalar(rowPixels + xl + i, rowKeys + xl + i, n - i, z + uint32_t(i) * dz, dz, color);
    }
};

}  // namespace

void fillSortedTriangleAvx2(uint32_t* target, int32_t width, int32_t height, const ScreenVertex* v,
                            uint32_t color, uint32_t* depth, int32_t xMin, int32_t xMax)
{
    fillSortedTriangle<SpanAvx2>(target, width, height, v, color, depth, xMin, xMax);
}

void fillSpanAvx2(uint32_t* rowPixels, uint32_t* rowKeys, int32_t width, int32_t xl, int32_t n, uint32_t z,
                  uint32_t dz, uint32_t color)
{
    SpanAvx2::fill(rowPixels, rowKeys, width, xl, n, z, dz, color);
}

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

#endif
