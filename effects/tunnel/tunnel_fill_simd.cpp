// A row of 8 x 8 tunnel blocks in SIMD lanes.
//
// The left edge of block j is the right edge of block j - 1: row k of the
// block row samples every node column c at E_k[c] = fix(top[c]) + (k + 1)
// step8(fix(bottom[c]) - fix(top[c])) (24.8, wrapping in 32 bits), and
// pixel m of block j lies at E_k[j] + m D_k[j] with D_k[j] =
// step8(E_k[j + 1] - E_k[j]). Only bits 8..15 of a coordinate address the
// texture, and every quantity here is exact enough to be followed in 16-bit
// lanes:
// - fix() values are multiples of 256, so their differences divide by 8
//   exactly: the column step (b - t) << 8 >> 3 is a multiple of 32, E is a
//   multiple of 32, and so E_k[j + 1] - E_k[j] divides by 8 exactly too.
//   Every step8 is then an exact shift, with no rounding toward zero left.
// - The low 16 bits of E + m D need only the low 16 bits of E and D.
// - The low 16 bits of D are bits 3..18 of E_k[j + 1] - E_k[j], that is the
//   difference of bits 3..18 of the two edges (their bits 0..2 are zero).
// So, with t, b a node column's top and bottom and t', b' the next column's,
// all mod 2^16:
//   E_k = (t << 8) + (k + 1) ((b - t) << 5),
//   D_k = ((t' - t) << 5) + (k + 1) (((b' - t') - (b - t)) << 2).
// (u, v) of a node column sit side by side in a 32-bit lane, each in its
// 16-bit half. A first pass steps E and D of every column down the eight
// rows, a vector of columns at a time, into small tables; a second goes
// block by block down the rows (so that the texels read stay close
// together), a vector of pixels at a time: E + m D for the pixels m, whose
// high bytes of (u, v) are the texel index (v & 0xFF00) | (u >> 8), the
// texels gathered and stored.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "effects/tunnel/tunnel_fill_simd.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include "effects/tunnel/tunnel_fill.h"

HWY_BEFORE_NAMESPACE();
namespace tunnel_fill_simd::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// Highway's fallback target, SCALAR, has one lane: there the plain form is
// the SIMD form (the 16-bit view of a 32-bit lane does not exist there).
#if HWY_TARGET != HWY_SCALAR

// Blocks handled per pass: the demo's 40 in one.
constexpr int kChunk = 40;
constexpr int kMaxLanes = HWY_MAX_BYTES / 4;

using D32 = hn::ScalableTag<uint32_t>;
using V32 = hn::Vec<D32>;

// (u, v) of Lanes(d) nodes, low 16 bits each: lane c = u_c & 0xFFFF | v_c << 16.
// Nodes past `available` read as zero.
HWY_INLINE V32 LoadColumns(const TunnelNode* nodes, int available)
{
    const D32 d;
    TunnelNode padded[kMaxLanes] = {};
    if (available < int(hn::Lanes(d))) {
        for (int i = 0; i < available; ++i)
            padded[i] = nodes[i];
        nodes = padded;
    }
    V32 u, v;
    hn::LoadInterleaved2(d, reinterpret_cast<const uint32_t*>(nodes), u, v);
    return hn::Or(hn::And(u, hn::Set(d, 0xFFFFu)), hn::ShiftLeft<16>(v));
}

// Up to kChunk blocks.
void FillChunk(uint32_t* HWY_RESTRICT target, int32_t stride, const TunnelNode* top, const TunnelNode* bottom,
               int blocks, const uint32_t* HWY_RESTRICT texture)
{
    const D32 d;
    const hn::Repartition<uint16_t, D32> d16;
    const int lanes = int(hn::Lanes(d));
    const int columns = blocks + 1;

    // edge[k][j] = E_k, across[k][j] = D_k of block j.
    alignas(64) uint32_t edge[8][kChunk + kMaxLanes], across[8][kChunk + kMaxLanes];
    for (int c = 0; c < blocks; c += lanes) {
        const V32 t = LoadColumns(top + c, columns - c), b = LoadColumns(bottom + c, columns - c);
        const V32 tn = LoadColumns(top + c + 1, columns - c - 1);
        const V32 bn = LoadColumns(bottom + c + 1, columns - c - 1);
        const auto down = hn::Sub(hn::BitCast(d16, b), hn::BitCast(d16, t));
        const auto downNext = hn::Sub(hn::BitCast(d16, bn), hn::BitCast(d16, tn));
        auto e = hn::ShiftLeft<8>(hn::BitCast(d16, t));
        const auto eStep = hn::ShiftLeft<5>(down);
        auto a = hn::ShiftLeft<5>(hn::Sub(hn::BitCast(d16, tn), hn::BitCast(d16, t)));
        const auto aStep = hn::ShiftLeft<2>(hn::Sub(downNext, down));
        for (int k = 0; k < 8; ++k) {
            // Advance first: row k samples its edges (k + 1) / 8 of the way down.
            e = hn::Add(e, eStep);
            a = hn::Add(a, aStep);
            hn::StoreU(hn::BitCast(d, e), d, &edge[k][c]);
            hn::StoreU(hn::BitCast(d, a), d, &across[k][c]);
        }
    }

    // At most eight pixels, one block's row, to a vector.
    const hn::CappedTag<uint32_t, 8> dp;
    const hn::Repartition<uint16_t, decltype(dp)> dp16;
    const hn::Repartition<uint8_t, decltype(dp)> dp8;
    const hn::RebindToSigned<decltype(dp)> dpi;
    const int pixels = int(hn::Lanes(dp));
    // High byte of u (byte 1) and of v (byte 3) of each lane: v_hi << 8 | u_hi.
    alignas(16) static constexpr uint8_t kTexel[16] = {1, 3, 0x80, 0x80, 5, 7, 0x80, 0x80,
                                                      9, 11, 0x80, 0x80, 13, 15, 0x80, 0x80};
    const auto texel = hn::LoadDup128(dp8, kTexel);
    // m in both 16-bit halves of lane m.
    const auto firstPixels = hn::Mul(hn::Iota(dp, 0), hn::Set(dp, 0x10001u));
    const auto nextPixels = hn::Set(dp, uint32_t(pixels) * 0x10001u);
    // Eight lanes take a block's row in one gather. Narrower vectors, which
    // have no gather, read the texels one by one through a table of indices:
    // that measured faster than Highway's emulated gather there.
    const bool gather = pixels == 8;
    for (int j = 0; j < blocks; ++j) {
        uint32_t* row = target + 8 * j;
        for (int k = 0; k < 8; ++k, row += stride) {
            const auto from = hn::BitCast(dp16, hn::Set(dp, edge[k][j]));
            const auto step = hn::BitCast(dp16, hn::Set(dp, across[k][j]));
            auto m = firstPixels;
            alignas(32) int32_t indices[8];
            for (int first = 0; first < 8; first += pixels, m = hn::Add(m, nextPixels)) {
                const auto at = hn::Add(from, hn::Mul(hn::BitCast(dp16, m), step));
                const auto index = hn::BitCast(dpi, hn::TableLookupBytesOr0(at, texel));
                if (gather)
                    hn::StoreU(hn::GatherIndex(dp, texture, index), dp, row);
                else
                    hn::Store(index, dpi, indices + first);
            }
            for (int p = 0; !gather && p < 8; ++p)
                row[p] = texture[indices[p]];
        }
    }
}

#endif

void FillBlockRow8(uint32_t* HWY_RESTRICT target, int32_t stride, const TunnelNode* top, const TunnelNode* bottom,
                   int32_t blocks, const uint32_t* HWY_RESTRICT texture)
{
#if HWY_TARGET == HWY_SCALAR
    fillBlockRow8Plain(target, stride, top, bottom, blocks, texture);
#else
    for (int32_t first = 0; first < blocks; first += kChunk) {
        const int n = blocks - first < kChunk ? int(blocks - first) : kChunk;
        FillChunk(target + 8 * first, stride, top + first, bottom + first, n, texture);
    }
#endif
}

}  // namespace tunnel_fill_simd::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace tunnel_fill_simd {
HWY_EXPORT(FillBlockRow8);

// Called from inside the namespace that holds the dispatch tables.
void fill(uint32_t* target, int32_t stride, const TunnelNode* top, const TunnelNode* bottom, int32_t blocks,
          const uint32_t* texture)
{
    HWY_DYNAMIC_DISPATCH(FillBlockRow8)(target, stride, top, bottom, blocks, texture);
}
}  // namespace tunnel_fill_simd

void fillBlockRow8Simd(uint32_t* target, int32_t stride, const TunnelNode* top, const TunnelNode* bottom,
                       int32_t blocks, const uint32_t* texture)
{
    tunnel_fill_simd::fill(target, stride, top, bottom, blocks, texture);
}
#endif
