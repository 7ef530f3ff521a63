#pragma once
// The swirl warp of the video effect and its kernels.
//
// Pixel (x, y) reads the picture at (x + k sin(θ + a), y + k cos(θ - a)),
// truncated, where θ = atan2(x - cx, y - cy). The reference evaluates that
// literally (one atan2, sin and cos per pixel). The fast kernels use the
// angle-sum identities instead: with (dx, dy) the offset from the centre and
// r its length, sin θ = dx / r and cos θ = dy / r, so
//     sin(θ + a) = (dx cos a + dy sin a) / r,   cos(θ - a) = (dy cos a + dx sin a) / r,
// where cos a and sin a are computed once a frame. The result differs from
// the reference's by rounding only, at most `margin` after the push; a pushed
// coordinate whose truncation could flip within that distance (it lies within
// `margin` of a whole number) is recomputed the reference way, so every pixel
// reads exactly the place the reference reads.
#include <cstdint>

#include "core/simd.h"

struct SwirlFrame {
    int32_t cx;       // centre column, 30 ... 290
    int32_t cy;       // centre row, 20 ... 220
    int32_t k;        // push distance in pixels
    double a;         // angle, a float value
    double cosA;      // cos a
    double sinA;      // sin a
    double margin;    // bound on |fast pushed coordinate - reference one|
    bool fastUsable;  // the fast kernels apply (1 <= k <= kSwirlFastMaxPush, small margin)
};

// Largest push the fast kernels take: pushed coordinates then stay within
// -160 ... 479, where the unsigned remainders reduce to two corrections.
constexpr int32_t kSwirlFastMaxPush = 160;

SwirlFrame swirlFrame(int32_t localMs);

// The picture index pixel (x, y) reads, computed the reference way.
uint32_t swirlSourceIndexExact(const SwirlFrame& frame, int32_t x, int32_t y);

// The literal per-pixel evaluation: the reference the fast kernels match.
void warpSwirlExact(const uint32_t* picture, uint32_t* target, int32_t localMs);

// Rows yFrom ... yTo - 1 of the warp for a frame whose fastUsable is set: the
// plain kernel, the reference of the SIMD one, and the entry that runs `form`.
void swirlRowsScalar(const SwirlFrame& frame, const uint32_t* picture, uint32_t* target, int32_t yFrom,
                     int32_t yTo);
void swirlRowsSimd(const SwirlFrame& frame, const uint32_t* picture, uint32_t* target, int32_t yFrom, int32_t yTo);
void swirlRows(const SwirlFrame& frame, const uint32_t* picture, uint32_t* target, int32_t yFrom, int32_t yTo,
               SimdForm form = simdForm());
