// Raw picture loader: byte order, files longer and shorter than the picture,
// and the cases that give no picture.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "pixel/raw_image.h"

namespace {

std::string writeFile(const std::string& name, const std::vector<unsigned char>& bytes) {
    const std::string path = "pixel_raw_test_" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return path;
}

}  // namespace

TEST(RawImage, PacksRgbInFileOrderAndIgnoresExtraBytes) {
    std::vector<unsigned char> bytes = {0x12, 0x34, 0x56, 0xFF, 0x00, 0x80, 1, 2, 3, 4, 5, 6};
    const std::vector<uint32_t> expected = {0x00123456, 0x00FF0080, 0x00010203, 0x00040506};
    bytes.insert(bytes.end(), 50, 0xEE);  // past the picture
    const std::string path = writeFile("long.raw", bytes);
    auto pixels = loadRawRgb(path.c_str(), 2, 2);
    ASSERT_TRUE(pixels);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(pixels[i], expected[i]);
    std::remove(path.c_str());
}

TEST(RawImage, ShortFileLeavesMissingPixelsBlack) {
    // Seven bytes: two whole pixels and one byte of the third.
    const std::string path = writeFile("short.raw", {1, 2, 3, 4, 5, 6, 0xAA});
    auto pixels = loadRawRgb(path.c_str(), 5, 2);
    ASSERT_TRUE(pixels);
    EXPECT_EQ(pixels[1], 0x00040506u);
    EXPECT_EQ(pixels[2], 0x00AA0000u);
    for (int i = 3; i < 10; ++i) EXPECT_EQ(pixels[i], 0u);
    std::remove(path.c_str());
}

TEST(RawImage, NoPictureWithoutAReadableFile) {
    EXPECT_FALSE(loadRawRgb("pixel_raw_test_does_not_exist.raw", 4, 4));
    const std::string dir = "pixel_raw_test_directory.raw";
    std::filesystem::create_directory(dir);
    EXPECT_FALSE(loadRawRgb(dir.c_str(), 4, 4));
    std::filesystem::remove(dir);
}
