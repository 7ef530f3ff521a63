// A row of 8 x 8 tunnel blocks at once.
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
// - The low 16 bits of E + m D need only the low 16 bits of E and D:
//   E16 = t << 8 stepped by (b - t) << 5 (all mod 2^16).
// - The low 16 bits of D are bits 3..18 of E_k[j + 1] - E_k[j], that is the
//   difference of bits 3..18 of the two edges (their bits 0..2 are zero):
//   F16 = t << 5 stepped by (b - t) << 2 (mod 2^16), and D16 = F16[j + 1] -
//   F16[j].
// u and v of a node column sit side by side as in TunnelNode; the high bytes
// of (u, v), packed, are the texel index (v & 0xFF00) | (u >> 8). The
// indices of a pixel row go to a small table, and a plain loop then reads
// the texels and writes the pixels in frame order.
#include "effects/tunnel/tunnel_fill.h"

void fillBlockRow8Plain(uint32_t* target, int32_t stride, const TunnelNode* top, const TunnelNode* bottom,
                        int32_t blocks, const uint32_t* texture)
{
    for (int32_t j = 0; j < blocks; ++j)
        fillTextureBlockFixed<8>(target + 8 * j, stride, top[j].u, top[j].v, top[j + 1].u, top[j + 1].v,
                                 bottom[j].u, bottom[j].v, bottom[j + 1].u, bottom[j + 1].v, texture);
}

#if defined(QUARNEL_X86_SIMD)
#include <emmintrin.h>

namespace {

// Blocks handled per pass: the demo's 40 in one.
constexpr int kChunk = 40;
constexpr int kGroups = kChunk / 8;  // eight blocks per 16-bit vector pair
// 16-bit vectors of (u, v) pairs, four node columns each, covering columns
// 0 .. 8 groups + 3 (the right edge of the last group and a spare).
constexpr int kVectors = 2 * kGroups + 1;

// (u, v) of four nodes, low 16 bits each, in 16-bit lanes.
inline __m128i loadFour(const TunnelNode* nodes, int available)
{
    int32_t low[8] = {};
    __m128i a, b;
    if (available >= 4) {
        a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(nodes));
        b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(nodes + 2));
    } else {
        for (int i = 0; i < available; ++i) {
            low[2 * i] = nodes[i].u;
            low[2 * i + 1] = nodes[i].v;
        }
        a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(low));
        b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(low + 4));
    }
    return _mm_packs_epi32(_mm_srai_epi32(_mm_slli_epi32(a, 16), 16), _mm_srai_epi32(_mm_slli_epi32(b, 16), 16));
}

// Up to kChunk blocks.
void fillChunk(uint32_t* target, int32_t stride, const TunnelNode* top, const TunnelNode* bottom, int blocks,
               const uint32_t* texture)
{
    const int columns = blocks + 1;
    const int groups = (blocks + 7) / 8;
    const int vectors = 2 * groups + 1;
    // Columns past the last node stay zero and feed only lanes that are
    // never written out.
    __m128i edge[kVectors], edgeStep[kVectors];
    alignas(16) __m128i fine[kVectors + 1];  // F16, read across vectors
    __m128i fineStep[kVectors];
    for (int q = 0; q < vectors; ++q) {
        const int available = columns - 4 * q;
        const __m128i t = available > 0 ? loadFour(top + 4 * q, available) : _mm_setzero_si128();
        const __m128i b = available > 0 ? loadFour(bottom + 4 * q, available) : _mm_setzero_si128();
        const __m128i d = _mm_sub_epi16(b, t);
        edge[q] = _mm_slli_epi16(t, 8);
        edgeStep[q] = _mm_slli_epi16(d, 5);
        fine[q] = _mm_slli_epi16(t, 5);
        fineStep[q] = _mm_slli_epi16(d, 2);
    }
    fine[vectors] = _mm_setzero_si128();

    // index[m][j]: texel of pixel m of block j in the current row.
    alignas(16) uint16_t index[8][kChunk];
    uint32_t* row = target;
    for (int k = 0; k < 8; ++k, row += stride) {
        // Advance first: row k samples its edges (k + 1) / 8 of the way down.
        for (int q = 0; q < vectors; ++q)
            fine[q] = _mm_add_epi16(fine[q], fineStep[q]);
        const uint16_t* fineLanes = reinterpret_cast<const uint16_t*>(fine);
        for (int g = 0; g < groups; ++g) {
            __m128i p0 = edge[2 * g] = _mm_add_epi16(edge[2 * g], edgeStep[2 * g]);
            __m128i p1 = edge[2 * g + 1] = _mm_add_epi16(edge[2 * g + 1], edgeStep[2 * g + 1]);
            // Steps across: the next column's F16 minus this one's.
            const __m128i d0 = _mm_sub_epi16(
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(fineLanes + 16 * g + 2)), fine[2 * g]);
            const __m128i d1 = _mm_sub_epi16(
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(fineLanes + 16 * g + 10)), fine[2 * g + 1]);
            for (int m = 0; m < 8; ++m) {
                // High bytes of (u, v), block by block: index = v_hi << 8 | u_hi.
                _mm_store_si128(reinterpret_cast<__m128i*>(&index[m][8 * g]),
                                _mm_packus_epi16(_mm_srli_epi16(p0, 8), _mm_srli_epi16(p1, 8)));
                p0 = _mm_add_epi16(p0, d0);
                p1 = _mm_add_epi16(p1, d1);
            }
        }
        // Two loads and a store a pixel, written out so that no loop
        // counter runs per pixel.
        for (int j = 0; j < blocks; ++j) {
            uint32_t* pixel = row + 8 * j;
            pixel[0] = texture[index[0][j]];
            pixel[1] = texture[index[1][j]];
            pixel[2] = texture[index[2][j]];
            pixel[3] = texture[index[3][j]];
            pixel[4] = texture[index[4][j]];
            pixel[5] = texture[index[5][j]];
            pixel[6] = texture[index[6][j]];
            pixel[7] = texture[index[7][j]];
        }
    }
}

}  // namespace

void fillBlockRow8Sse2(uint32_t* target, int32_t stride, const TunnelNode* top, const TunnelNode* bottom,
                       int32_t blocks, const uint32_t* texture)
{
    for (int32_t first = 0; first < blocks; first += kChunk) {
        const int n = blocks - first < kChunk ? int(blocks - first) : kChunk;
        fillChunk(target + 8 * first, stride, top + first, bottom + first, n, texture);
    }
}

#endif  // QUARNEL_X86_SIMD
