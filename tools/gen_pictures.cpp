// Writers of the two full-screen pictures as raw 24-bit files (bytes r, g, b
// per pixel, top row first, no header).
#include <cstdio>
#include <functional>
#include <vector>

#include "media/font_glyphs.h"
#include "tools/generators.h"
#include "tools/picture_drawing.h"

namespace {

bool writeRawPicture(const std::string& path, const std::function<void(uint32_t*)>& draw, const char* what)
{
    std::vector<uint32_t> pixels(kPicturePixels);
    draw(pixels.data());
    std::vector<unsigned char> bytes(size_t(kPicturePixels) * 3);
    for (int i = 0; i < kPicturePixels; ++i) {
        bytes[size_t(i) * 3 + 0] = static_cast<unsigned char>(pixels[i] >> 16);
        bytes[size_t(i) * 3 + 1] = static_cast<unsigned char>(pixels[i] >> 8);
        bytes[size_t(i) * 3 + 2] = static_cast<unsigned char>(pixels[i]);
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::fprintf(stderr, "%s: cannot create %s\n", what, path.c_str());
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        std::fprintf(stderr, "%s: cannot write %s\n", what, path.c_str());
        return false;
    }
    return true;
}

}  // namespace

bool writeCreditsPicture(const std::string& path)
{
    FontGlyphs glyphs;
    return writeRawPicture(path, [&](uint32_t* pixels) { drawCreditsPicture(glyphs, pixels); }, "credits picture");
}

bool writeVelinaPicture(const std::string& path)
{
    return writeRawPicture(path, drawVelinaPicture, "velina picture");
}
