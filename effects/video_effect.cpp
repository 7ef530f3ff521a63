#include "effects/video_effect.h"

#include <cmath>
#include <cstring>
#include <string>

#include "driver/data_path.h"
#include "driver/globals.h"

VideoEffect::VideoEffect(int32_t start, int32_t end, int32_t layer)
    : Effect(start, end, layer), video(std::make_unique<VideoState>())
{
    const std::string path = dataPath("quarnel.avi");
    // Pictures of another size are scaled to the frame when decoded, so the
    // warp always reads a full 320 x 240 picture.
    switch (video->reader.open(path, kFrameWidth, kFrameHeight)) {
    case VideoReader::OpenResult::ok:
        break;
    case VideoReader::OpenResult::cannotOpen:
        fatal("could not open sourcefile");
    case VideoReader::OpenResult::noVideoStream:
        fatal("could not get stream");
    case VideoReader::OpenResult::noDecoder:
        fatal(("could not decode " + path + ": no decoder for its video stream").c_str());
    case VideoReader::OpenResult::noFrames:
        fatal(("could not decode " + path + ": no frames").c_str());
    }
    video->lastFrame = -1;
    video->pixels.assign(kFramePixels, 0);  // black until the first picture arrives
}

VideoEffect::~VideoEffect()
{
    if (video)
        video->reader.close();
}

void VideoEffect::render(int32_t localMs)
{
    if (!video)
        return;
    VideoReader& reader = video->reader;
    const uint32_t frame = videoFrameIndex(localMs, reader.frameCount());
    if (frame != video->lastFrame) {
        // Asked once per frame index: a frame without a picture keeps the
        // previous one and is not asked for again.
        video->lastFrame = frame;
        if (const uint8_t* bitmap = reader.frame(frame))
            convertBottomUpBgr(bitmap, reader.rowBytes(), kFrameWidth, kFrameHeight, video->pixels.data());
    }
    warpSwirl(video->pixels.data(), framebuffer, localMs);
}

uint32_t videoFrameIndex(int32_t localMs, uint32_t frameCount)
{
    if (frameCount == 0)
        return 0;
    // The quotient truncates toward zero as a signed number; the remainder is
    // taken on its unsigned reading.
    return static_cast<uint32_t>(localMs / 45) % frameCount;
}

void convertBottomUpBgr(const uint8_t* bitmap, int32_t rowBytes, int32_t width, int32_t height, uint32_t* pixels)
{
    for (int32_t y = 0; y < height; ++y) {
        // The bitmap's first row in memory is the bottom of the picture.
        const uint8_t* source = bitmap + static_cast<std::size_t>(height - 1 - y) * rowBytes;
        uint32_t* target = pixels + static_cast<std::size_t>(y) * width;
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t* bgr = source + 3 * x;
            target[x] = (uint32_t{bgr[2]} << 16) | (uint32_t{bgr[1]} << 8) | bgr[0];
        }
    }
}

void warpSwirl(const uint32_t* picture, uint32_t* target, int32_t localMs)
{
    // The time factors are single-precision constants widened to double; the
    // products and everything after them are carried in double precision.
    const double t = localMs;
    const int32_t cx = static_cast<int32_t>(160.0 + 130.0 * std::sin(static_cast<double>(0.0008f) * t));
    const int32_t cy = static_cast<int32_t>(120.0 + 100.0 * std::sin(static_cast<double>(0.0006f) * t) *
                                                        std::sin(static_cast<double>(0.0001f) * t));
    const int32_t k = static_cast<int32_t>(static_cast<double>(0.002f) * t);
    const double a = static_cast<float>(0.004 * t);  // the angle is kept as a float

    if (k == 0) {
        // No push: every pixel reads its own place.
        std::memcpy(target, picture, sizeof(uint32_t) * kFramePixels);
        return;
    }
    const double push = k;
    for (int32_t y = 0; y < kFrameHeight; ++y) {
        const double dy = y - cy;
        uint32_t* row = target + y * kFrameWidth;
        for (int32_t x = 0; x < kFrameWidth; ++x) {
            // The column offset is the first (sine-side) argument.
            const double theta = std::atan2(static_cast<double>(x - cx), dy);
            const int32_t sx = static_cast<int32_t>(x + push * std::sin(theta + a));
            const int32_t sy = static_cast<int32_t>(y + push * std::cos(theta - a));
            // Remainders of the unsigned readings: 2^32 leaves 256 modulo 320
            // and 16 modulo 240, so -1 lands on column 255 and row 15.
            const uint32_t column = static_cast<uint32_t>(sx) % kFrameWidth;
            const uint32_t sourceRow = static_cast<uint32_t>(sy) % kFrameHeight;
            row[x] = picture[sourceRow * kFrameWidth + column];
        }
    }
}
