#pragma once
// Writing frames to files: PNG as 24-bit RGB, raw as the pixels' own bytes.
#include <cstdint>
#include <string>

// Writes width x height pixels 0x00RRGGBB as an 8-bit RGB PNG. false on failure.
bool writePng(const std::string& path, const uint32_t* pixels, int width, int height);

// Writes the pixels as stored in memory: 4 bytes each (blue, green, red, top byte).
bool writeRawPixels(const std::string& path, const uint32_t* pixels, int count);
