// SDL texture formats and the display layouts: which converter serves which
// format and which format a renderer's offer yields. Every layout is shown
// through a real window in display_window_test.
#include <gtest/gtest.h>

#include <SDL.h>

#include <utility>

#include "platform/pixel_layouts.h"
#include "platform/texture_format.h"

namespace {

const PixelLayout* layoutNamed(const char* name)
{
    return findPixelLayout(name);
}

TEST(TextureFormat, Sdl_formats_map_to_layouts_by_pixel_size_and_masks)
{
    // SDL counts XRGB8888 as 24 bits and RGB555 as 15; the converters go by
    // the bytes a pixel takes, so these must not fall to the 24-bit packer or
    // to nothing.
    // Alpha is not looked at. SDL names byte arrays in memory order: RGB24 is
    // R, G, B in memory, which is the converter table's red-low 24-bit layout.
    const std::pair<Uint32, const char*> cases[] = {
        {SDL_PIXELFORMAT_RGB888, "rgb32"},   {SDL_PIXELFORMAT_BGR888, "bgr32"},  {SDL_PIXELFORMAT_RGB555, "rgb555"},
        {SDL_PIXELFORMAT_BGR555, "bgr555"},  {SDL_PIXELFORMAT_RGB565, "rgb565"}, {SDL_PIXELFORMAT_BGR565, "bgr565"},
        {SDL_PIXELFORMAT_ARGB8888, "rgb32"}, {SDL_PIXELFORMAT_ABGR8888, "bgr32"}, {SDL_PIXELFORMAT_RGB24, "bgr24"},
        {SDL_PIXELFORMAT_BGR24, "rgb24"},    {SDL_PIXELFORMAT_RGBA8888, nullptr}, {SDL_PIXELFORMAT_ARGB2101010, nullptr},
        {SDL_PIXELFORMAT_RGB444, nullptr},   {SDL_PIXELFORMAT_INDEX8, nullptr},  {SDL_PIXELFORMAT_IYUV, nullptr},
        {SDL_PIXELFORMAT_UNKNOWN, nullptr}};
    for (const auto& [format, name] : cases)
        EXPECT_EQ(layoutForSdlFormat(format), name ? layoutNamed(name) : nullptr) << SDL_GetPixelFormatName(format);

    for (const PixelLayout& layout : kPixelLayouts)
        EXPECT_EQ(layoutForSdlFormat(sdlFormatForLayout(layout)), &layout) << layout.name;
}

SDL_RendererInfo offering(std::initializer_list<Uint32> formats)
{
    SDL_RendererInfo info{};
    for (Uint32 format : formats)
        info.texture_formats[info.num_texture_formats++] = format;
    return info;
}

TEST(TextureFormat, Prefers_32_then_24_then_16_bits_among_usable_formats)
{
    EXPECT_EQ(chooseTextureFormat(offering({SDL_PIXELFORMAT_IYUV, SDL_PIXELFORMAT_RGB565, SDL_PIXELFORMAT_RGB24,
                                            SDL_PIXELFORMAT_ARGB8888, SDL_PIXELFORMAT_RGB888})),
              SDL_PIXELFORMAT_ARGB8888);
    EXPECT_EQ(chooseTextureFormat(offering({SDL_PIXELFORMAT_YV12, SDL_PIXELFORMAT_BGR565, SDL_PIXELFORMAT_BGR24})),
              SDL_PIXELFORMAT_BGR24);
    // A 32-bit format without a converter does not stop the search.
    EXPECT_EQ(chooseTextureFormat(offering({SDL_PIXELFORMAT_RGBA8888, SDL_PIXELFORMAT_RGB555})),
              SDL_PIXELFORMAT_RGB555);
    EXPECT_EQ(chooseTextureFormat(offering({SDL_PIXELFORMAT_RGBA8888, SDL_PIXELFORMAT_RGB444, SDL_PIXELFORMAT_NV12})),
              SDL_PIXELFORMAT_UNKNOWN);
    EXPECT_EQ(chooseTextureFormat(offering({})), SDL_PIXELFORMAT_UNKNOWN);
}

}  // namespace
