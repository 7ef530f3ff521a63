#pragma once
// Nearest-neighbour enlargement: every source pixel becomes a factor x factor
// block, so the 320 x 240 picture keeps its hard pixel edges at any size.
#include <cstdint>

// source: width x height pixels; target: (width * factor) x (height * factor)
// pixels, rows without gaps. factor >= 1.
void upscaleNearest(const uint32_t* source, int width, int height, int factor, uint32_t* target);
