#include "effects/video/video_effect.h"

#include <cmath>
#include <cstring>
#include <string>

#include "effects/video/swirl_warp.h"

VideoEffect::VideoEffect(int32_t start, int32_t end, int32_t layer, const VideoOpener& openVideo)
    : Effect(start, end, layer), video(std::make_unique<VideoState>())
{
    // Pictures of another size are scaled to the frame when decoded, so the
    // warp always reads a full 320 x 240 picture.
    video->reader = openVideo(kFrameWidth, kFrameHeight);
    video->lastFrame = -1;
    video->pixels.assign(kFramePixels, 0);  // black until the first picture arrives
}

VideoEffect::~VideoEffect() = default;

void VideoEffect::render(Frame& frame, int32_t localMs)
{
    if (!video)
        return;
    VideoFrameSource& reader = *video->reader;
    const uint32_t index = videoFrameIndex(localMs, reader.frameCount());
    if (index != video->lastFrame) {
        // Asked once per frame index: a frame without a picture keeps the
        // previous one and is not asked for again.
        video->lastFrame = index;
        if (const uint8_t* bitmap = reader.frame(index))
            convertBottomUpBgr(bitmap, reader.rowBytes(), kFrameWidth, kFrameHeight, video->pixels.data());
    }
    warpSwirl(video->pixels.data(), frame.framebuffer, localMs);
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
    const SwirlFrame frame = swirlFrame(localMs);
    if (!frame.fastUsable) {
        // No push (a plain copy), or a push beyond what the fast kernels take.
        warpSwirlExact(picture, target, localMs);
        return;
    }
    swirlRows(frame, picture, target, 0, kFrameHeight);
}
