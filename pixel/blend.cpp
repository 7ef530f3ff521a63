// Entry points of the blends: the SSE2 kernels where the build targets them,
// the scalar reference elsewhere. Both give the same bytes.
#include "pixel/blend.h"

#include "pixel/blend_kernels.h"

void subtractPixels(uint32_t* dst, const uint32_t* src, int count) {
    if (count <= 0) return;
#if defined(__SSE2__)
    subtractPixelsSse2(dst, src, count);
#else
    subtractPixelsScalar(dst, src, count);
#endif
}

void crossFadePixels(uint32_t* dst, const uint32_t* src, int count, uint32_t factor) {
    if (count <= 0) return;
#if defined(__SSE2__)
    crossFadePixelsSse2(dst, src, count, factor);
#else
    crossFadePixelsScalar(dst, src, count, factor);
#endif
}
