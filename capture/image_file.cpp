#include "capture/image_file.h"

#include <png.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

bool writePng(const std::string& path, const uint32_t* pixels, int width, int height)
{
    File file(std::fopen(path.c_str(), "wb"));
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    std::vector<png_byte> row(size_t(width) * 3);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file.get());
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        const uint32_t* src = pixels + size_t(y) * width;
        for (int x = 0; x < width; ++x) {
            row[3 * x] = png_byte(src[x] >> 16);
            row[3 * x + 1] = png_byte(src[x] >> 8);
            row[3 * x + 2] = png_byte(src[x]);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fflush(file.get()) == 0 && !std::ferror(file.get());
}

bool writeRawPixels(const std::string& path, const uint32_t* pixels, int count)
{
    File file(std::fopen(path.c_str(), "wb"));
    if (!file)
        return false;
    // The pixels are little-endian words, so memory order is blue, green, red, top.
    std::vector<unsigned char> bytes(size_t(count) * 4);
    for (int i = 0; i < count; ++i) {
        bytes[4 * size_t(i)] = static_cast<unsigned char>(pixels[i]);
        bytes[4 * size_t(i) + 1] = static_cast<unsigned char>(pixels[i] >> 8);
        bytes[4 * size_t(i) + 2] = static_cast<unsigned char>(pixels[i] >> 16);
        bytes[4 * size_t(i) + 3] = static_cast<unsigned char>(pixels[i] >> 24);
    }
    return std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size() &&
           std::fflush(file.get()) == 0;
}
