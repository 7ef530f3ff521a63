// loadRawRgb on arbitrary bytes. The first two bytes pick the picture size
// (1 to 64 each way), so short, exact and long files are all reached.
#include <cstdint>
#include <cstdlib>
#include <unistd.h>

#include "fuzz/fuzz_input_file.h"
#include "pixel/raw_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const int width = 1 + data[0] % 64;
    const int height = 1 + data[1] % 64;
    const std::string& path = fuzzInputPath(".raw");
    if (!writeFuzzInput(path, data + 2, size - 2))
        return 0;
    const auto pixels = loadRawRgb(path.c_str(), width, height);
    if (!pixels)
        std::abort();  // the file exists and is readable
    const size_t bytes = size - 2;
    for (int i = 0; i < width * height; ++i) {
        const size_t at = static_cast<size_t>(i) * 3;
        // Pixels the file reaches carry its bytes; the rest are black.
        uint32_t expected = 0;
        if (at + 3 <= bytes)
            expected = (uint32_t{data[2 + at]} << 16) | (uint32_t{data[3 + at]} << 8) | data[4 + at];
        else if (at < bytes)
            continue;  // a partial record: its value is not fixed
        if (pixels[i] != expected)
            std::abort();
    }
    return 0;
}
