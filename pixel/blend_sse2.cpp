// SSE2 blends: four pixels per step, the remaining 0..3 pixels through the
// scalar kernels so that every count gives the same bytes as the reference.
#include "pixel/blend_kernels.h"

#if defined(QUARNEL_X86_SIMD)
#include <emmintrin.h>

void subtractPixelsSse2(uint32_t* dst, const uint32_t* src, int count) {
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_subs_epu8(d, s));
    }
    if (i < count) subtractPixelsScalar(dst + i, src + i, count - i);
}

void crossFadePixelsSse2(uint32_t* dst, const uint32_t* src, int count, uint32_t factor) {
    const uint32_t f = factor & 0xFF;
    const __m128i srcWeight = _mm_set1_epi16(static_cast<short>(f));
    const __m128i dstWeight = _mm_set1_epi16(static_cast<short>(255 - f));
    const __m128i zero = _mm_setzero_si128();
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        // Widen to 16-bit lanes; src*f + dst*(255-f) is at most 65025, so the
        // wrapping 16-bit add and the logical shift are exact.
        const __m128i lo = _mm_srli_epi16(
            _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(s, zero), srcWeight),
                          _mm_mullo_epi16(_mm_unpacklo_epi8(d, zero), dstWeight)),
            8);
        const __m128i hi = _mm_srli_epi16(
            _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(s, zero), srcWeight),
                          _mm_mullo_epi16(_mm_unpackhi_epi8(d, zero), dstWeight)),
            8);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_packus_epi16(lo, hi));
    }
    if (i < count) crossFadePixelsScalar(dst + i, src + i, count - i, factor);
}

#endif
