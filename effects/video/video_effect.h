#pragma once
// The video: "data/quarnel.avi" played at one frame per 45 ms of music time,
// looping, and drawn over the whole Framebuffer through a moving swirl.
#include <cstdint>
#include <memory>
#include <vector>

#include "core/effect.h"
#include "core/frame.h"
#include "core/video_source.h"

// The open video and the picture last decoded from it.
struct VideoState {
    std::unique_ptr<VideoFrameSource> reader;
    int64_t lastFrame = -1;        // frame index last asked for; -1: none yet
    std::vector<uint32_t> pixels;  // 320 x 240, 0x00RRGGBB, top row first
};

class VideoEffect : public Effect {
public:
    std::unique_ptr<VideoState> video;

    // Opens the video through openVideo, which throws when it cannot be played.
    VideoEffect(int32_t start, int32_t end, int32_t layer, const VideoOpener& openVideo);
    ~VideoEffect() override;

    void render(Frame& frame, int32_t localMs) override;
};

// The frame shown at localMs: one frame per 45 ms, wrapping after frameCount
// frames. The remainder is taken on unsigned values.
uint32_t videoFrameIndex(int32_t localMs, uint32_t frameCount);

// Converts a bottom-up 24-bit BGR picture (rows of rowBytes bytes, the bottom
// row first) into width x height pixels 0x00RRGGBB, top row first.
void convertBottomUpBgr(const uint8_t* bitmap, int32_t rowBytes, int32_t width, int32_t height, uint32_t* pixels);

// Draws the 320 x 240 picture into the 320 x 240 target through the swirl of
// localMs: each target pixel reads the picture at a point pushed by
// 0.002 * localMs pixels in a direction set by its angle around a wandering
// centre. Pushed coordinates wrap as unsigned 32-bit numbers.
void warpSwirl(const uint32_t* picture, uint32_t* target, int32_t localMs);
