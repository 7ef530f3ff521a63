#pragma once
// Where the picture goes in the window: as large as fits with its aspect kept
// (square pixels), centred, the rest left black. Whole multiples of the
// picture size are used whenever at least one fits, so every source pixel
// becomes the same number of screen pixels.
#include <cstdint>

struct PictureRect {
    int32_t x, y, width, height;
};

// outWidth x outHeight: the drawable size in pixels; width x height: the picture.
PictureRect fitPicture(int32_t outWidth, int32_t outHeight, int32_t width, int32_t height);
