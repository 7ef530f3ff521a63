#pragma once
// Headerless 24-bit pictures: width x height records of bytes r, g, b, top row first.
#include <cstdint>
#include <memory>

// Returns the picture as 0x00RRGGBB pixels, or null when the file cannot be
// opened (missing, unreadable, a directory) or the size is not positive.
// Bytes after the picture are ignored; pixels a short file does not reach
// are black.
std::unique_ptr<uint32_t[]> loadRawRgb(const char* path, int width, int height);
