// Row converters: the documented example values and the layout names (the
// packed kernels against their scalar twins: kernel_forms_test.cpp; the choice
// of converter from a format's masks: display_texture_format_test.cpp).
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/display.h"
#include "platform/pixel_layouts.h"
#include "platform/row_converters.h"

namespace {

std::vector<uint8_t> convert(RowConverter converter, const std::vector<uint32_t>& pixels, int32_t bytesPerPixel)
{
    std::vector<uint8_t> out(pixels.size() * bytesPerPixel, 0xEE);
    converter(pixels.data(), out.data(), static_cast<int32_t>(pixels.size()));
    return out;
}

uint32_t read16(const std::vector<uint8_t>& bytes, size_t pixel)
{
    return bytes[2 * pixel] | (bytes[2 * pixel + 1] << 8);
}

uint32_t read32(const std::vector<uint8_t>& bytes, size_t pixel)
{
    return bytes[4 * pixel] | (bytes[4 * pixel + 1] << 8) | (bytes[4 * pixel + 2] << 16) |
           (uint32_t{bytes[4 * pixel + 3]} << 24);
}

// Rows of a length that runs through the packed loops as well as the tails,
// so every example is checked in both parts of each kernel.
std::vector<uint32_t> rowOf(uint32_t pixel)
{
    return std::vector<uint32_t>(21, pixel);
}

TEST(RowConverterValues, Sixteen_bit_layouts_keep_the_top_bits_of_each_channel)
{
    struct Case {
        RowConverter converter;
        uint32_t source, expected;
    };
    const Case cases[] = {
        {convertRgb565, 0x00123456, 0x11AA}, {convertBgr565, 0x00123456, 0x51A2},
        {convertRgb555, 0x00123456, 0x08CA}, {convertBgr555, 0x00123456, 0x28C2},
        {convertRgb565, 0x00FFFFFF, 0xFFFF}, {convertBgr565, 0x00FFFFFF, 0xFFFF},
        {convertRgb555, 0x00FFFFFF, 0x7FFF}, {convertBgr555, 0x00FFFFFF, 0x7FFF},
        // Channels below one step of their field vanish; the top byte never shows.
        {convertRgb565, 0xFF070307, 0x0000}, {convertBgr565, 0xFF070307, 0x0000},
        {convertRgb555, 0xFF070707, 0x0000}, {convertBgr555, 0xFF070707, 0x0000},
        // One channel at a time catches swapped or misplaced fields.
        {convertRgb565, 0x00FF0000, 0xF800}, {convertRgb565, 0x0000FF00, 0x07E0}, {convertRgb565, 0x000000FF, 0x001F},
        {convertBgr565, 0x00FF0000, 0x001F}, {convertBgr565, 0x000000FF, 0xF800},
        {convertRgb555, 0x00FF0000, 0x7C00}, {convertRgb555, 0x0000FF00, 0x03E0}, {convertRgb555, 0x000000FF, 0x001F},
        {convertBgr555, 0x00FF0000, 0x001F}, {convertBgr555, 0x000000FF, 0x7C00},
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> out = convert(c.converter, rowOf(c.source), 2);
        for (size_t i = 0; i < 21; ++i)
            ASSERT_EQ(read16(out, i), c.expected) << std::hex << "source 0x" << c.source << " pixel " << i;
    }
}

TEST(RowConverterValues, Wide_layouts_and_the_top_byte)
{
    const std::vector<uint32_t> row = rowOf(0xAB123456);
    const std::vector<uint8_t> rgb32 = convert(convertRgb32, row, 4);
    const std::vector<uint8_t> bgr32 = convert(convertBgr32, row, 4);
    const std::vector<uint8_t> rgb24 = convert(convertRgb24, row, 3);
    const std::vector<uint8_t> bgr24 = convert(convertBgr24, row, 3);
    for (size_t i = 0; i < row.size(); ++i) {
        EXPECT_EQ(read32(rgb32, i), 0xAB123456u);  // only this layout carries the top byte
        EXPECT_EQ(read32(bgr32, i), 0x00563412u);
        EXPECT_EQ(rgb24[3 * i], 0x56);
        EXPECT_EQ(rgb24[3 * i + 1], 0x34);
        EXPECT_EQ(rgb24[3 * i + 2], 0x12);
        EXPECT_EQ(bgr24[3 * i], 0x12);
        EXPECT_EQ(bgr24[3 * i + 1], 0x34);
        EXPECT_EQ(bgr24[3 * i + 2], 0x56);
    }
}

TEST(ChooseConverter, Layout_names)
{
    EXPECT_EQ(findPixelLayout("bgr555")->converter, convertBgr555);
    EXPECT_TRUE(isPixelFormatName("rgb24"));
    EXPECT_FALSE(isPixelFormatName("RGB565"));
    EXPECT_FALSE(isPixelFormatName(""));
    EXPECT_FALSE(isPixelFormatName(nullptr));
}

}  // namespace
