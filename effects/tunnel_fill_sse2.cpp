// The 8 x 8 tunnel block a row at a time. Only bits 8..15 of the 24.8
// coordinates address the texture, and those bits of u + m du depend only on
// the low 16 bits of u and du, so the eight positions of a row are formed in
// 16-bit lanes (wrapping exactly like the low half of the 32-bit sums) and
// give the eight texel indices (v & 0xFF00) | (u >> 8) directly.
#include "effects/tunnel_fill.h"

#if defined(__SSE2__)
#include <emmintrin.h>

void fillTextureBlock8Sse2(uint32_t* block, int32_t stride, int32_t uTL, int32_t vTL, int32_t uTR, int32_t vTR,
                           int32_t uBL, int32_t vBL, int32_t uBR, int32_t vBR, const uint32_t* texture)
{
    using namespace tunnel_fill_detail;
    uint32_t uL = fix(uTL), vL = fix(vTL);
    uint32_t uR = fix(uTR), vR = fix(vTR);
    const uint32_t duL = step<8>(fix(uTL), fix(uBL)), dvL = step<8>(fix(vTL), fix(vBL));
    const uint32_t duR = step<8>(fix(uTR), fix(uBR)), dvR = step<8>(fix(vTR), fix(vBR));
    const __m128i pixel = _mm_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7);
    const __m128i rowMask = _mm_set1_epi16(static_cast<short>(0xFF00));
    uint32_t* row = block;
    for (int k = 0; k < 8; ++k, row += stride) {
        uL += duL;
        vL += dvL;
        uR += duR;
        vR += dvR;
        const uint32_t du = step<8>(uL, uR), dv = step<8>(vL, vR);
        const __m128i u = _mm_add_epi16(_mm_set1_epi16(static_cast<short>(uL)),
                                        _mm_mullo_epi16(pixel, _mm_set1_epi16(static_cast<short>(du))));
        const __m128i v = _mm_add_epi16(_mm_set1_epi16(static_cast<short>(vL)),
                                        _mm_mullo_epi16(pixel, _mm_set1_epi16(static_cast<short>(dv))));
        const __m128i index = _mm_or_si128(_mm_and_si128(v, rowMask), _mm_srli_epi16(u, 8));
        const __m128i left = _mm_setr_epi32(static_cast<int>(texture[_mm_extract_epi16(index, 0)]),
                                            static_cast<int>(texture[_mm_extract_epi16(index, 1)]),
                                            static_cast<int>(texture[_mm_extract_epi16(index, 2)]),
                                            static_cast<int>(texture[_mm_extract_epi16(index, 3)]));
        const __m128i right = _mm_setr_epi32(static_cast<int>(texture[_mm_extract_epi16(index, 4)]),
                                             static_cast<int>(texture[_mm_extract_epi16(index, 5)]),
                                             static_cast<int>(texture[_mm_extract_epi16(index, 6)]),
                                             static_cast<int>(texture[_mm_extract_epi16(index, 7)]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row), left);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row + 4), right);
    }
}

#endif  // __SSE2__
