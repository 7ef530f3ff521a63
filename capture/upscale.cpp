#include "capture/upscale.h"

#include <algorithm>
#include <cstddef>

void upscaleNearest(const uint32_t* source, int width, int height, int factor, uint32_t* target)
{
    const std::size_t targetWidth = std::size_t(width) * factor;
    for (int y = 0; y < height; ++y) {
        uint32_t* row = target + std::size_t(y) * factor * targetWidth;
        const uint32_t* in = source + std::size_t(y) * width;
        for (int x = 0; x < width; ++x)
            std::fill_n(row + std::size_t(x) * factor, factor, in[x]);
        // The other rows of the block are copies of the first.
        for (int r = 1; r < factor; ++r)
            std::copy_n(row, targetWidth, row + r * targetWidth);
    }
}
