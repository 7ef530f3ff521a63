#include "effects/video/video_effect.h"

#include <cmath>
#include <cstring>
#include <string>

#include "core/data_path.h"
#include "core/globals.h"
#include "effects/video/swirl_warp.h"

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
    const SwirlFrame frame = swirlFrame(localMs);
    if (!frame.fastUsable) {
        // No push (a plain copy), or a push beyond what the fast kernels take.
        warpSwirlExact(picture, target, localMs);
        return;
    }
    swirlRows(frame, picture, target, 0, kFrameHeight);
}
