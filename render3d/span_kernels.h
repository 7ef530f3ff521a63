#pragma once
// The depth-tested fill of one span of a row: pixel i of the span gets the
// key int32(z + i*dz) >> 8 (the sum wrapping in 32 bits) and is written, with
// its key, when that key is below the stored one as unsigned 32-bit values.
//
// The plain loop is the reference. The SSE2 form takes eight pixels per step
// with a lane mask, so the short spans of a mesh (mostly 1 to 8 pixels) cost
// one fixed, well-predicted step instead of a loop whose exit mispredicts.
// It reads and writes back whole groups of eight that lie inside the row; a
// pixel whose lane is off is written back with the value just read, so the
// bytes are those of the plain loop. A group that would run past the row's
// end is left to the plain loop.
#include <cstdint>

#include "core/simd.h"

#if defined(QUARNEL_X86_SIMD)
#include <emmintrin.h>
#endif

// n >= 1 pixels from pixel[0] / key[0] on.
inline void fillSpanScalar(uint32_t* pixel, uint32_t* key, int32_t n, uint32_t z, uint32_t dz, uint32_t color)
{
    for (int32_t i = 0; i < n; ++i) {
        const uint32_t k = uint32_t(int32_t(z) >> 8);
        if (k < key[i]) {
            pixel[i] = color;
            key[i] = k;
        }
        z += dz;
    }
}

#if defined(QUARNEL_X86_SIMD)
// Pixels xl ... xl + n - 1 of a row of `width` pixels starting at rowPixels /
// rowKeys; needs 0 <= xl, 1 <= n and xl + n <= width.
inline void fillSpanSse2(uint32_t* rowPixels, uint32_t* rowKeys, int32_t width, int32_t xl, int32_t n, uint32_t z,
                         uint32_t dz, uint32_t color)
{
    // Unsigned order through the signed compare: flip the top bit of both sides.
    const __m128i bias = _mm_set1_epi32(int32_t(0x80000000u));
    const __m128i ink = _mm_set1_epi32(int32_t(color));
    const __m128i lanesLow = _mm_setr_epi32(0, 1, 2, 3);
    const __m128i lanesHigh = _mm_setr_epi32(4, 5, 6, 7);
    // Lane j holds z + j*dz, built from sums (which wrap like the scalar ones):
    // (dz, dz, dz, dz) masked to (0, dz, 0, dz) plus 2dz masked to (0, 0, 2dz, 2dz).
    const __m128i step1 = _mm_set1_epi32(int32_t(dz));
    const __m128i step2 = _mm_add_epi32(step1, step1);
    const __m128i step4 = _mm_add_epi32(step2, step2);
    const __m128i step8 = _mm_add_epi32(step4, step4);
    const __m128i ramp = _mm_add_epi32(_mm_and_si128(step1, _mm_setr_epi32(0, -1, 0, -1)),
                                       _mm_and_si128(step2, _mm_setr_epi32(0, 0, -1, -1)));
    __m128i zLow = _mm_add_epi32(_mm_set1_epi32(int32_t(z)), ramp);
    __m128i zHigh = _mm_add_epi32(zLow, step4);

    int32_t i = 0;
    for (; i < n; i += 8) {
        const int32_t x = xl + i;
        if (x > width - 8)
            break;
        const __m128i left = _mm_set1_epi32(n - i);
        __m128i* keys = reinterpret_cast<__m128i*>(rowKeys + x);
        __m128i* pixels = reinterpret_cast<__m128i*>(rowPixels + x);

        const __m128i kLow = _mm_srai_epi32(zLow, 8);
        const __m128i kHigh = _mm_srai_epi32(zHigh, 8);
        const __m128i oldLow = _mm_loadu_si128(keys);
        const __m128i oldHigh = _mm_loadu_si128(keys + 1);
        const __m128i nearerLow = _mm_cmplt_epi32(_mm_xor_si128(kLow, bias), _mm_xor_si128(oldLow, bias));
        const __m128i nearerHigh = _mm_cmplt_epi32(_mm_xor_si128(kHigh, bias), _mm_xor_si128(oldHigh, bias));
        const __m128i maskLow = _mm_and_si128(nearerLow, _mm_cmpgt_epi32(left, lanesLow));
        const __m128i maskHigh = _mm_and_si128(nearerHigh, _mm_cmpgt_epi32(left, lanesHigh));
        // old ^ ((old ^ new) & mask): new where the mask is set, old elsewhere.
        _mm_storeu_si128(keys, _mm_xor_si128(oldLow, _mm_and_si128(_mm_xor_si128(oldLow, kLow), maskLow)));
        _mm_storeu_si128(keys + 1, _mm_xor_si128(oldHigh, _mm_and_si128(_mm_xor_si128(oldHigh, kHigh), maskHigh)));
        const __m128i pLow = _mm_loadu_si128(pixels);
        const __m128i pHigh = _mm_loadu_si128(pixels + 1);
        _mm_storeu_si128(pixels, _mm_xor_si128(pLow, _mm_and_si128(_mm_xor_si128(pLow, ink), maskLow)));
        _mm_storeu_si128(pixels + 1, _mm_xor_si128(pHigh, _mm_and_si128(_mm_xor_si128(pHigh, ink), maskHigh)));

        zLow = _mm_add_epi32(zLow, step8);
        zHigh = _mm_add_epi32(zHigh, step8);
    }
    if (i < n)
        fillSpanScalar(rowPixels + xl + i, rowKeys + xl + i, n - i, z + uint32_t(i) * dz, dz, color);
}
#endif
