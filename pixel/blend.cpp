// Entry points of the blends: the plain or the SIMD form, which give the same bytes.
#include "pixel/blend.h"

#include "pixel/blend_kernels.h"

void subtractPixels(uint32_t* dst, const uint32_t* src, int count, SimdForm form) {
    if (count <= 0) return;
    if (form != SimdForm::Plain) return subtractPixelsSimd(dst, src, count);
    subtractPixelsScalar(dst, src, count);
}

void crossFadePixels(uint32_t* dst, const uint32_t* src, int count, uint32_t factor, SimdForm form) {
    if (count <= 0) return;
    if (form != SimdForm::Plain) return crossFadePixelsSimd(dst, src, count, factor);
    crossFadePixelsScalar(dst, src, count, factor);
}
