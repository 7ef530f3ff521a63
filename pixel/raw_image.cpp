// Loader of headerless 24-bit pictures (bytes r, g, b per pixel, top row
// first, no padding). The caller knows the size; the file does not say it.
#include "pixel/raw_image.h"

#include <sys/stat.h>

#include <cstddef>
#include <cstdio>
#include <vector>

std::unique_ptr<uint32_t[]> loadRawRgb(const char* path, int width, int height) {
    if (width <= 0 || height <= 0) return nullptr;
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return nullptr;
    // fopen succeeds on a directory here; reading it would fail, so treat it
    // like a file that cannot be opened.
    struct stat info {};
    if (fstat(fileno(file), &info) != 0 || S_ISDIR(info.st_mode)) {
        std::fclose(file);
        return nullptr;
    }

    const std::size_t pixelCount = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    // Zero-filled, so the pixels a short file does not reach come out black.
    std::vector<unsigned char> records(pixelCount * 3, 0);
    const std::size_t got = std::fread(records.data(), 1, records.size(), file);
    (void)got;  // a short read leaves the rest of the records zero
    std::fclose(file);

    std::unique_ptr<uint32_t[]> pixels(new uint32_t[pixelCount]);
    for (std::size_t i = 0; i < pixelCount; ++i) {
        const unsigned char* rgb = &records[i * 3];
        pixels[i] = (static_cast<uint32_t>(rgb[0]) << 16) | (static_cast<uint32_t>(rgb[1]) << 8) | rgb[2];
    }
    return pixels;
}
