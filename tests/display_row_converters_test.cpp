// Row converters: the wide layouts' bytes, the top byte among them, and the
// layout names (the packed kernels against their scalar twins:
// kernel_forms_test.cpp; every layout's channels through a window, to the bits
// it keeps: display_window_test.cpp; the choice of converter from a format's
// masks: display_texture_format_test.cpp).
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

uint32_t read32(const std::vector<uint8_t>& bytes, size_t pixel)
{
    return bytes[4 * pixel] | (bytes[4 * pixel + 1] << 8) | (bytes[4 * pixel + 2] << 16) |
           (uint32_t{bytes[4 * pixel + 3]} << 24);
}

// Rows of a length that runs through the packed loops as well as the tails.
std::vector<uint32_t> rowOf(uint32_t pixel)
{
    return std::vector<uint32_t>(21, pixel);
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
