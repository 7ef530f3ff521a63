#pragma once
// The block fill of the tunnel (TunnelMapper::fillTextureBlock) with the
// block size fixed at compile time, so that its divisions by n become
// shifts: the plain template is the reference form. fillBlockRow8 fills a
// whole row of 8 x 8 blocks; its SIMD form works across the blocks of the
// row at once. All of them write exactly the pixels fillTextureBlock writes.
#include <cstddef>
#include <cstdint>

#include "core/simd.h"
#include "effects/tunnel/tunnel_mapper.h"

namespace tunnel_fill_detail {

// 24.8 fixed point. Shifts, sums and differences are done in uint32_t so
// they wrap in 32 bits without signed overflow; each difference is read
// back as signed before the truncating division. Bits 8..15 of a wrapped
// value are the same whether it is seen as signed or unsigned, so the
// masked texture index needs no signed shift.
inline uint32_t fix(int32_t value) { return uint32_t(value) << 8; }

template <int N>
inline uint32_t step(uint32_t from, uint32_t to)
{
    return uint32_t(int32_t(to - from) / N);
}

}  // namespace tunnel_fill_detail

// `block` is the block's top-left pixel; rows are `stride` pixels apart.
template <int N>
void fillTextureBlockFixed(uint32_t* block, int32_t stride, int32_t uTL, int32_t vTL, int32_t uTR, int32_t vTR,
                           int32_t uBL, int32_t vBL, int32_t uBR, int32_t vBR, const uint32_t* texture)
{
    using namespace tunnel_fill_detail;
    uint32_t uL = fix(uTL), vL = fix(vTL);
    uint32_t uR = fix(uTR), vR = fix(vTR);
    const uint32_t duL = step<N>(fix(uTL), fix(uBL)), dvL = step<N>(fix(vTL), fix(vBL));
    const uint32_t duR = step<N>(fix(uTR), fix(uBR)), dvR = step<N>(fix(vTR), fix(vBR));
    uint32_t* row = block;
    for (int k = 0; k < N; ++k, row += stride) {
        // Advance first: row k samples its edges (k + 1) / n of the way down,
        // so the last row lies exactly on the bottom corners.
        uL += duL;
        vL += dvL;
        uR += duR;
        vR += dvR;
        const uint32_t du = step<N>(uL, uR), dv = step<N>(vL, vR);
        uint32_t u = uL, v = vL;
        for (int m = 0; m < N; ++m) {
            row[m] = texture[((v >> 8) & 255) * 256 + ((u >> 8) & 255)];
            u += du;
            v += dv;
        }
    }
}

// Fills `blocks` 8 x 8 blocks side by side, block j between the nodes
// top[j], top[j + 1] (its top corners) and bottom[j], bottom[j + 1];
// `target` is the top-left pixel of block 0, rows `stride` pixels apart.
// The plain form goes block by block.
void fillBlockRow8Plain(uint32_t* target, int32_t stride, const TunnelNode* top, const TunnelNode* bottom,
                        int32_t blocks, const uint32_t* texture);

// The same, across the blocks in SIMD lanes (tunnel_fill_simd.cpp).
void fillBlockRow8Simd(uint32_t* target, int32_t stride, const TunnelNode* top, const TunnelNode* bottom,
                       int32_t blocks, const uint32_t* texture);

// The plain form for SimdForm::Plain, the SIMD form otherwise.
inline void fillBlockRow8(uint32_t* target, int32_t stride, const TunnelNode* top, const TunnelNode* bottom,
                          int32_t blocks, const uint32_t* texture, SimdForm form = simdForm())
{
    if (form != SimdForm::Plain)
        return fillBlockRow8Simd(target, stride, top, bottom, blocks, texture);
    fillBlockRow8Plain(target, stride, top, bottom, blocks, texture);
}
