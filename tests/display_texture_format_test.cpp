// SDL texture formats and the display layouts: which converter serves which
// format, which format a renderer's offer yields, and every layout put through
// a real SDL texture and read back as the picture it was given.
#include <gtest/gtest.h>

#include <SDL.h>

#include <random>
#include <utility>
#include <vector>

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

// Reduces a channel to the bits a layout keeps.
uint32_t keepTopBits(uint32_t channel, int32_t bits)
{
    return channel >> (8 - bits);
}

// Each layout: convert rows into a locked streaming texture of the layout's
// SDL format (an odd width, so the pitch has padding), draw it with SDL's
// software renderer into a 32-bit surface and compare what arrives with the
// source, channel by channel at the layout's precision.
TEST(TextureFormat, Every_layout_survives_a_real_texture)
{
    constexpr int kWidth = 13, kHeight = 7;
    std::mt19937 random(99);
    std::vector<uint32_t> picture(kWidth * kHeight);
    for (uint32_t& p : picture)
        p = random();  // top byte too: it must not leak into any layout or alpha
    for (const PixelLayout& layout : kPixelLayouts) {
        SCOPED_TRACE(layout.name);
        SDL_Surface* target = SDL_CreateRGBSurfaceWithFormat(0, kWidth, kHeight, 32, SDL_PIXELFORMAT_RGB888);
        ASSERT_NE(target, nullptr) << SDL_GetError();
        SDL_Renderer* renderer = SDL_CreateSoftwareRenderer(target);
        ASSERT_NE(renderer, nullptr) << SDL_GetError();
        SDL_Texture* texture =
            SDL_CreateTexture(renderer, sdlFormatForLayout(layout), SDL_TEXTUREACCESS_STREAMING, kWidth, kHeight);
        ASSERT_NE(texture, nullptr) << SDL_GetError();
        SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_NONE);

        void* locked = nullptr;
        int pitch = 0;
        ASSERT_EQ(SDL_LockTexture(texture, nullptr, &locked, &pitch), 0) << SDL_GetError();
        for (int y = 0; y < kHeight; ++y)
            layout.converter(&picture[y * kWidth], static_cast<uint8_t*>(locked) + y * pitch, kWidth);
        SDL_UnlockTexture(texture);
        SDL_RenderCopy(renderer, texture, nullptr, nullptr);
        SDL_RenderPresent(renderer);

        std::vector<uint32_t> shown(kWidth * kHeight);
        ASSERT_EQ(SDL_RenderReadPixels(renderer, nullptr, SDL_PIXELFORMAT_RGB888, shown.data(), kWidth * 4), 0);
        const int32_t redBits = layout.bytesPerPixel == 2 ? 5 : 8;
        const int32_t greenBits = layout.bytesPerPixel == 2 ? (layout.greenMask == 0x7E0 ? 6 : 5) : 8;
        for (int i = 0; i < kWidth * kHeight; ++i) {
            const uint32_t s = picture[i], d = shown[i];
            ASSERT_EQ(keepTopBits((d >> 16) & 0xFF, redBits), keepTopBits((s >> 16) & 0xFF, redBits)) << "red " << i;
            ASSERT_EQ(keepTopBits((d >> 8) & 0xFF, greenBits), keepTopBits((s >> 8) & 0xFF, greenBits))
                << "green " << i;
            ASSERT_EQ(keepTopBits(d & 0xFF, redBits), keepTopBits(s & 0xFF, redBits)) << "blue " << i;
        }
        SDL_DestroyTexture(texture);
        SDL_DestroyRenderer(renderer);
        SDL_FreeSurface(target);
    }
}

}  // namespace
