#include "platform/letterbox.h"

#include <algorithm>

PictureRect fitPicture(int32_t outWidth, int32_t outHeight, int32_t width, int32_t height)
{
    if (outWidth <= 0 || outHeight <= 0 || width <= 0 || height <= 0)
        return {0, 0, 0, 0};
    int64_t drawWidth, drawHeight;
    const int32_t scale = std::min(outWidth / width, outHeight / height);
    if (scale >= 1) {
        drawWidth = int64_t{width} * scale;
        drawHeight = int64_t{height} * scale;
    } else if (int64_t{outWidth} * height <= int64_t{outHeight} * width) {
        // Smaller than the picture: shrink to the limiting side.
        drawWidth = outWidth;
        drawHeight = int64_t{outWidth} * height / width;
    } else {
        drawHeight = outHeight;
        drawWidth = int64_t{outHeight} * width / height;
    }
    return {static_cast<int32_t>((outWidth - drawWidth) / 2), static_cast<int32_t>((outHeight - drawHeight) / 2),
            static_cast<int32_t>(drawWidth), static_cast<int32_t>(drawHeight)};
}
