#pragma once
// The eight display pixel layouts the program can write, each with its row
// converter and the name by which a layout can be forced on the command line.
#include <cstdint>

#include "platform/row_converters.h"

struct PixelLayout {
    const char* name;     // "rgb32", ... : the converter's name without "convert"
    uint32_t bitCount;    // bits a pixel takes in memory (5:5:5 counts as 16)
    uint32_t redMask, greenMask, blueMask;
    RowConverter converter;
};

constexpr int kPixelLayoutCount = 8;

// In the order chooseConverter tests them.
extern const PixelLayout kPixelLayouts[kPixelLayoutCount];

// The layout of that name, or null.
const PixelLayout* findPixelLayout(const char* name);
