#pragma once
// Reads the frames of a video file one at a time as 24-bit bottom-up
// pictures: rows of blue, green, red bytes, the bottom row of the picture
// first, each row padded to a multiple of 4 bytes. That is the packed bitmap
// layout the video effect converts from.
//
// Frame n is always the n-th frame of the video stream, counted by time stamp,
// whatever order frames are asked in. A frame the file holds no picture for
// (an empty chunk, a frame the decoder rejects) shows the picture before it.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "core/video_source.h"

class VideoReader : public VideoFrameSource {
public:
    enum class OpenResult {
        ok,
        cannotOpen,     // no such file, or not a container the demuxer knows
        noVideoStream,  // the file holds no video stream
        noDecoder,      // no decoder for the stream, or it has no picture size
        noFrames,       // the stream holds no frames at all
    };

    VideoReader();
    ~VideoReader() override;
    VideoReader(const VideoReader&) = delete;
    VideoReader& operator=(const VideoReader&) = delete;

    // Opens the first video stream of the file. Pictures are delivered at
    // outputWidth x outputHeight, scaled when the video has another size.
    OpenResult open(const std::string& path, int outputWidth, int outputHeight);
    // Releases the file and the decoder; safe to call twice.
    void close();
    bool isOpen() const;

    // The video's own frame size and its number of frames (the stream's frame
    // count when the file states it, otherwise counted from the stream).
    int width() const;
    int height() const;
    uint32_t frameCount() const override;

    int outputWidth() const;
    int outputHeight() const;
    // Bytes from one row of the picture to the next: outputWidth * 3 rounded up to 4.
    int rowBytes() const override;

    // Frame n (0-based) as a bottom-up BGR picture of outputHeight rows of
    // rowBytes() bytes, or null when there is no picture for it (n lies before
    // the first picture of the stream, or nothing could be decoded). The
    // pointer stays valid until the next call.
    const uint8_t* frame(uint32_t n) override;

    // Pictures the decoder has produced and seeks done so far (for tests and
    // benchmarks: reading in order needs at most one decode per new frame).
    uint64_t framesDecoded() const;
    uint64_t seeks() const;
    // Bytes of picture memory the reader holds: its output picture and any
    // decoded frame it keeps for the next request. Decoder internals are not
    // counted.
    std::size_t memoryBytes() const;

private:
    struct State;
    std::unique_ptr<State> state;
};
