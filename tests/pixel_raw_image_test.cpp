// Raw picture loader: byte order, files longer and shorter than the picture,
// and the cases that give no picture; the frame writers' byte order.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "capture/image_file.h"
#include "pixel/raw_image.h"
#include "test_support.h"

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

// A PNG holds red, green and blue in that order, read back by FFmpeg; a raw
// frame the pixels' own bytes.
TEST(FrameFile, PngAndRawHoldEveryChannelInItsPlace) {
    const testsupport::ScratchDir dir;
    const uint32_t pixels[6] = {0x00102030, 0xFF405060, 0x00708090, 0x00A0B0C0, 0x00D0E0F0, 0x00010203};
    ASSERT_TRUE(writePng((dir / "f.png").string(), pixels, 3, 2));
    const std::string rgb = testsupport::runCommand("ffmpeg -nostdin -v error -i '" + (dir / "f.png").string() +
                                                    "' -f rawvideo -pix_fmt rgb24 pipe:1");
    ASSERT_EQ(rgb.size(), 18u);
    for (int i = 0; i < 18; ++i)
        EXPECT_EQ(static_cast<uint8_t>(rgb[i]), static_cast<uint8_t>(pixels[i / 3] >> (16 - 8 * (i % 3)))) << i;
    ASSERT_TRUE(writeRawPixels((dir / "f.raw").string(), pixels, 6));
    const std::vector<unsigned char> raw = testsupport::readBytes(dir / "f.raw");
    ASSERT_EQ(raw.size(), sizeof pixels);
    EXPECT_EQ(std::memcmp(raw.data(), pixels, sizeof pixels), 0);
    EXPECT_FALSE(writePng((dir / "missing" / "f.png").string(), pixels, 3, 2));
}
