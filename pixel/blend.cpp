// Entry points of the blends: the widest form at or below the one asked for.
// All give the same bytes.
#include "pixel/blend.h"

#include "pixel/blend_kernels.h"

void subtractPixels(uint32_t* dst, const uint32_t* src, int count, SimdForm form) {
    if (count <= 0) return;
#if defined(QUARNEL_X86_SIMD)
    if (form >= SimdForm::Sse2) return subtractPixelsSse2(dst, src, count);
#endif
    subtractPixelsScalar(dst, src, count);
}

void crossFadePixels(uint32_t* dst, const uint32_t* src, int count, uint32_t factor, SimdForm form) {
    if (count <= 0) return;
#if defined(QUARNEL_X86_SIMD)
    if (form >= SimdForm::Sse2) return crossFadePixelsSse2(dst, src, count, factor);
#endif
    crossFadePixelsScalar(dst, src, count, factor);
}
