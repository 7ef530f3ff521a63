#pragma once
// The depth-tested fill of one span of a row: pixel i of the span gets the
// key int32(z + i*dz) >> 8 (the sum wrapping in 32 bits) and is written, with
// its key, when that key is below the stored one as unsigned 32-bit values.
//
// The plain loop is the reference. The SIMD form (rasterizer_simd.cpp) takes
// eight pixels per step with a lane mask, so the short spans of a mesh
// (mostly 1 to 8 pixels) cost one fixed, well-predicted step instead of a
// loop whose exit mispredicts. It reads and writes back whole groups of
// eight that lie inside the row; a pixel whose lane is off is written back
// with the value just read, so the bytes are those of the plain loop. A group
// that would run past the row's end is left to the plain loop.
#include <cstdint>

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
