#include "platform/texture_format.h"

#include <initializer_list>

const PixelLayout* layoutForSdlFormat(uint32_t format)
{
    if (format == SDL_PIXELFORMAT_UNKNOWN || SDL_ISPIXELFORMAT_FOURCC(format) || SDL_ISPIXELFORMAT_INDEXED(format))
        return nullptr;
    int bitsPerPixel = 0;
    Uint32 red = 0, green = 0, blue = 0, alpha = 0;
    if (SDL_PixelFormatEnumToMasks(format, &bitsPerPixel, &red, &green, &blue, &alpha) != SDL_TRUE)
        return nullptr;
    const uint32_t bitCount = static_cast<uint32_t>(SDL_BYTESPERPIXEL(format)) * 8;
    const RowConverter converter = chooseConverter(bitCount, red, green, blue);
    for (const PixelLayout& layout : kPixelLayouts) {
        if (layout.converter == converter && converter != nullptr)
            return &layout;
    }
    return nullptr;
}

uint32_t sdlFormatForLayout(const PixelLayout& layout)
{
    return SDL_MasksToPixelFormatEnum(static_cast<int>(layout.bitCount), layout.redMask, layout.greenMask,
                                      layout.blueMask, 0);
}

uint32_t chooseTextureFormat(const SDL_RendererInfo& info)
{
    for (int32_t bytes : {4, 3, 2}) {
        for (Uint32 i = 0; i < info.num_texture_formats && i < SDL_arraysize(info.texture_formats); ++i) {
            const uint32_t format = info.texture_formats[i];
            if (SDL_ISPIXELFORMAT_FOURCC(format) || static_cast<int32_t>(SDL_BYTESPERPIXEL(format)) != bytes)
                continue;
            if (layoutForSdlFormat(format) != nullptr)
                return format;
        }
    }
    return SDL_PIXELFORMAT_UNKNOWN;
}
