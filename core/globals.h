#pragma once
// The few pieces of state the whole program shares: the frame every effect
// draws into, the frame counter the flash effects pace themselves by, the
// quit flag the display sets, and the one-line fatal exit.
#include <cstdint>

constexpr int kFrameWidth = 320;
constexpr int kFrameHeight = 240;
constexpr int kFramePixels = kFrameWidth * kFrameHeight;

// 320 x 240 pixels 0x00RRGGBB, top row first, no gap between rows.
extern uint32_t framebuffer[kFramePixels];

// Frame-loop iterations so far. Effects may test bits of it and reset it to 0.
extern int32_t frameCounter;

// One more frame: the counter wraps as the 32-bit register it is (after
// 2^32 frames, over two years at 60 fps) instead of overflowing.
inline void advanceFrameCounter() { frameCounter = static_cast<int32_t>(static_cast<uint32_t>(frameCounter) + 1u); }

// Set to 1 by the display when Escape is pressed; ends the frame loop.
extern int32_t quitRequested;

// Prints the message and a newline on standard output and ends the process
// with exit status 1. Nothing is closed first.
[[noreturn]] void fatal(const char* message);
