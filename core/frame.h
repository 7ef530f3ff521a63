#pragma once
// The frame every effect draws into and the count of frames the flash effects
// pace themselves by. One Frame belongs to the frame loop, which passes it to
// each effect it draws.
#include <cstdint>

constexpr int kFrameWidth = 320;
constexpr int kFrameHeight = 240;
constexpr int kFramePixels = kFrameWidth * kFrameHeight;

struct Frame {
    // 320 x 240 pixels 0x00RRGGBB, top row first, no gap between rows.
    // Page-aligned: the tunnel's block fill measured 5-9% slower on some
    // other alignments of the same code (cache-set and 4K-aliasing effects).
    alignas(4096) uint32_t framebuffer[kFramePixels] = {};

    // Frame-loop iterations so far. Effects may test bits of it and reset it to 0.
    int32_t frameCounter = 0;

    // One more frame: the counter wraps as the 32-bit register it is (after
    // 2^32 frames, over two years at 60 fps) instead of overflowing.
    void advanceFrameCounter() { frameCounter = static_cast<int32_t>(static_cast<uint32_t>(frameCounter) + 1u); }
};
