// The video reader on arbitrary bytes: open, then frames asked in the orders
// the effect and a seek produce (first, next, far, last, back to the start).
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "media/video_reader.h"
#include "fuzz/fuzz_input_file.h"

extern "C" {
#include <libavutil/log.h>
}

namespace {
// A small picture keeps the scaler cheap; the bytes it writes are checked
// against the reader's own row size by AddressSanitizer.
constexpr int kOutWidth = 40;
constexpr int kOutHeight = 30;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    av_log_set_level(AV_LOG_QUIET);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string& path = fuzzInputPath(".avi");
    if (!writeFuzzInput(path, data, size))
        return 0;
    VideoReader reader;
    if (reader.open(path, kOutWidth, kOutHeight) != VideoReader::OpenResult::ok)
        return 0;
    const uint32_t count = reader.frameCount();
    if (count == 0 || reader.rowBytes() < kOutWidth * 3)
        std::abort();  // open promised at least one frame and a full row
    const uint32_t order[] = {0, 1, 2, 9, count / 2, count - 1, 0, 3};
    uint64_t sum = 0;
    for (uint32_t n : order) {
        const uint8_t* picture = reader.frame(n % count);
        if (picture)  // touch every byte: a short buffer shows up here
            for (int i = 0; i < reader.rowBytes() * kOutHeight; ++i)
                sum += picture[i];
    }
    reader.close();
    return sum == 1 ? 1 : 0;  // keeps the reads; never true in practice
}
