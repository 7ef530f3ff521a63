#include "platform/pixel_layouts.h"

#include <cstring>

#include "platform/display.h"

const PixelLayout kPixelLayouts[kPixelLayoutCount] = {
    {"rgb32", 32, 0xFF0000, 0xFF00, 0xFF, convertRgb32},
    {"bgr32", 32, 0xFF, 0xFF00, 0xFF0000, convertBgr32},
    {"rgb24", 24, 0xFF0000, 0xFF00, 0xFF, convertRgb24},
    {"bgr24", 24, 0xFF, 0xFF00, 0xFF0000, convertBgr24},
    {"rgb565", 16, 0xF800, 0x7E0, 0x1F, convertRgb565},
    {"bgr565", 16, 0x1F, 0x7E0, 0xF800, convertBgr565},
    {"rgb555", 16, 0x7C00, 0x3E0, 0x1F, convertRgb555},
    {"bgr555", 16, 0x1F, 0x3E0, 0x7C00, convertBgr555},
};

const PixelLayout* findPixelLayout(const char* name)
{
    if (name == nullptr)
        return nullptr;
    for (const PixelLayout& layout : kPixelLayouts) {
        if (std::strcmp(layout.name, name) == 0)
            return &layout;
    }
    return nullptr;
}

bool isPixelFormatName(const char* name)
{
    return findPixelLayout(name) != nullptr;
}

RowConverter chooseConverter(uint32_t bitCount, uint32_t redMask, uint32_t greenMask, uint32_t blueMask)
{
    // Exact matches only; the alpha mask is not looked at.
    for (const PixelLayout& layout : kPixelLayouts) {
        if (layout.bitCount == bitCount && layout.redMask == redMask && layout.greenMask == greenMask &&
            layout.blueMask == blueMask)
            return layout.converter;
    }
    return nullptr;
}
