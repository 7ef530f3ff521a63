#pragma once
// A video's frames as the video effect reads them: 24-bit bottom-up pictures,
// rows of blue, green, red bytes, the bottom row first, each row rowBytes()
// long. The program's source decodes a file (media/); the effect only knows
// this interface.
#include <cstdint>
#include <functional>
#include <memory>

class VideoFrameSource {
public:
    virtual ~VideoFrameSource() = default;

    virtual uint32_t frameCount() const = 0;
    virtual int rowBytes() const = 0;

    // Frame n (0-based), or null when there is no picture for it. The pointer
    // stays valid until the next call.
    virtual const uint8_t* frame(uint32_t n) = 0;
};

// Opens the programme's video, its pictures at width x height; throws
// StartupError when it cannot be played.
using VideoOpener = std::function<std::unique_ptr<VideoFrameSource>(int width, int height)>;
