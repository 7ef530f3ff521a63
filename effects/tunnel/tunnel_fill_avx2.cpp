// A row of 8 x 8 tunnel blocks in AVX2, compiled for AVX2 function by
// function and called only when the processor has it.
//
// The index arithmetic is that of the SSE2 kernel (tunnel_fill_sse2.cpp):
// every coordinate is followed in its low 16 bits, (u, v) of a node column
// side by side in one 32-bit lane. Row k of the block row starts block j at
// E_k[j] and steps across it by D_k[j] = F_k[j + 1] - F_k[j]; both are
// linear in k (mod 2^16), so they are stepped row by row:
//   E_k = (t << 8) + (k + 1) ((b - t) << 5),
//   D_k = ((t' - t) << 5) + (k + 1) (((b' - t') - (b - t)) << 2),
// where t, b are a node column's top and bottom and t', b' the next
// column's. Pixel m of block j lies at E_k[j] + m D_k[j]: eight blocks sit
// in the eight lanes of a vector, stepped pixel by pixel with one 16-bit
// addition; the high bytes of (u, v) are the texel index. The indices of a
// pixel row go to a small table as 32-bit numbers, and each block then reads
// its eight texels into one vector and leaves in one 32-byte store. Blocks
// go two by two, the indices of a pixel in both read together as one 64-bit
// word, so a pixel costs one and a half loads and an eighth of a store.
#include "effects/tunnel/tunnel_fill.h"

#if defined(QUARNEL_X86_SIMD)
#include <immintrin.h>

#include <cstring>

#define QUARNEL_AVX2 __attribute__((target("avx2")))

namespace {

// Blocks handled per pass: the demo's 40 in one.
constexpr int kChunk = 40;
constexpr int kGroups = kChunk / 8;  // eight blocks (node columns) per vector

// (u, v) of eight nodes, low 16 bits each: lane c = u_c & 0xFFFF | v_c << 16.
// Nodes past `available` read as zero.
QUARNEL_AVX2 inline __m256i loadEight(const TunnelNode* nodes, int available)
{
    TunnelNode padded[8] = {};
    if (available < 8) {
        for (int i = 0; i < available; ++i)
            padded[i] = nodes[i];
        nodes = padded;
    }
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(nodes));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(nodes + 4));
    // Bytes 0, 1 (u) and 4, 5 (v) of each node to the low half of each
    // 128-bit lane: a = n0 n1 - - | n2 n3 - -, b = n4 n5 - - | n6 n7 - -.
    const __m256i low16 = _mm256_setr_epi8(0, 1, 4, 5, 8, 9, 12, 13, -1, -1, -1, -1, -1, -1, -1, -1,  //
                                           0, 1, 4, 5, 8, 9, 12, 13, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m256i mixed = _mm256_unpacklo_epi64(_mm256_shuffle_epi8(a, low16), _mm256_shuffle_epi8(b, low16));
    // n0 n1 n4 n5 | n2 n3 n6 n7 -> n0 .. n7.
    return _mm256_permute4x64_epi64(mixed, _MM_SHUFFLE(3, 1, 2, 0));
}

// Up to kChunk blocks.
QUARNEL_AVX2 void fillChunk(uint32_t* target, int32_t stride, const TunnelNode* top, const TunnelNode* bottom,
                            int blocks, const uint32_t* texture)
{
    const int columns = blocks + 1;
    const int groups = (blocks + 7) / 8;
    __m256i edge[kGroups], edgeStep[kGroups], across[kGroups], acrossStep[kGroups];
    for (int g = 0; g < groups; ++g) {
        // This group's node columns and the ones after them.
        const int available = columns - 8 * g;
        const __m256i t = loadEight(top + 8 * g, available), b = loadEight(bottom + 8 * g, available);
        const __m256i tn = loadEight(top + 8 * g + 1, available - 1);
        const __m256i bn = loadEight(bottom + 8 * g + 1, available - 1);
        const __m256i d = _mm256_sub_epi16(b, t), dn = _mm256_sub_epi16(bn, tn);
        edge[g] = _mm256_slli_epi16(t, 8);
        edgeStep[g] = _mm256_slli_epi16(d, 5);
        across[g] = _mm256_slli_epi16(_mm256_sub_epi16(tn, t), 5);
        acrossStep[g] = _mm256_slli_epi16(_mm256_sub_epi16(dn, d), 2);
    }
    // High byte of u (byte 1) and of v (byte 3) of each lane: v_hi << 8 | u_hi.
    const __m256i texel = _mm256_setr_epi8(1, 3, -1, -1, 5, 7, -1, -1, 9, 11, -1, -1, 13, 15, -1, -1,  //
                                           1, 3, -1, -1, 5, 7, -1, -1, 9, 11, -1, -1, 13, 15, -1, -1);
    const int* texels = reinterpret_cast<const int*>(texture);

    // index[k][m][j]: texel of pixel m of block j in row k.
    alignas(32) uint32_t index[8][8][kChunk];
    for (int k = 0; k < 8; ++k) {
        // Advance first: row k samples its edges (k + 1) / 8 of the way down.
        for (int g = 0; g < groups; ++g) {
            __m256i at = edge[g] = _mm256_add_epi16(edge[g], edgeStep[g]);
            const __m256i d = across[g] = _mm256_add_epi16(across[g], acrossStep[g]);
            for (int m = 0; m < 8; ++m) {
                _mm256_store_si256(reinterpret_cast<__m256i*>(&index[k][m][8 * g]), _mm256_shuffle_epi8(at, texel));
                at = _mm256_add_epi16(at, d);
            }
        }
    }
    // Two blocks at a time, a pixel's indices in both read as one 64-bit
    // word (block j in the low half: x86 is little-endian); still block by
    // block down the rows, so that the texels read stay close together
    // (going along whole pixel rows instead was slower).
    int j = 0;
    for (; j + 2 <= blocks; j += 2) {
        uint32_t* row = target + 8 * j;
        for (int k = 0; k < 8; ++k, row += stride) {
            const uint32_t(&at)[8][kChunk] = index[k];
            uint64_t pair[8];
            for (int m = 0; m < 8; ++m)
                std::memcpy(&pair[m], &at[m][j], sizeof(uint64_t));
            const auto first = [&](int m) { return texels[uint32_t(pair[m])]; };
            const auto second = [&](int m) { return texels[uint32_t(pair[m] >> 32)]; };
            __m128i lo0 = _mm_cvtsi32_si128(first(0)), hi0 = _mm_cvtsi32_si128(first(4));
            __m128i lo1 = _mm_cvtsi32_si128(second(0)), hi1 = _mm_cvtsi32_si128(second(4));
            lo0 = _mm_insert_epi32(lo0, first(1), 1);
            hi0 = _mm_insert_epi32(hi0, first(5), 1);
            lo1 = _mm_insert_epi32(lo1, second(1), 1);
            hi1 = _mm_insert_epi32(hi1, second(5), 1);
            lo0 = _mm_insert_epi32(lo0, first(2), 2);
            hi0 = _mm_insert_epi32(hi0, first(6), 2);
            lo1 = _mm_insert_epi32(lo1, second(2), 2);
            hi1 = _mm_insert_epi32(hi1, second(6), 2);
            lo0 = _mm_insert_epi32(lo0, first(3), 3);
            hi0 = _mm_insert_epi32(hi0, first(7), 3);
            lo1 = _mm_insert_epi32(lo1, second(3), 3);
            hi1 = _mm_insert_epi32(hi1, second(7), 3);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(row), _mm256_set_m128i(hi0, lo0));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + 8), _mm256_set_m128i(hi1, lo1));
        }
    }
    // The last block of an odd count on its own.
    for (; j < blocks; ++j) {
        uint32_t* row = target + 8 * j;
        for (int k = 0; k < 8; ++k, row += stride) {
            const uint32_t(&at)[8][kChunk] = index[k];
            __m128i lo = _mm_cvtsi32_si128(texels[at[0][j]]);
            __m128i hi = _mm_cvtsi32_si128(texels[at[4][j]]);
            lo = _mm_insert_epi32(lo, texels[at[1][j]], 1);
            hi = _mm_insert_epi32(hi, texels[at[5][j]], 1);
            lo = _mm_insert_epi32(lo, texels[at[2][j]], 2);
            hi = _mm_insert_epi32(hi, texels[at[6][j]], 2);
            lo = _mm_insert_epi32(lo, texels[at[3][j]], 3);
            hi = _mm_insert_epi32(hi, texels[at[7][j]], 3);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(row), _mm256_set_m128i(hi, lo));
        }
    }
}

}  // namespace

QUARNEL_AVX2 void fillBlockRow8Avx2(uint32_t* target, int32_t stride, const TunnelNode* top,
                                    const TunnelNode* bottom, int32_t blocks, const uint32_t* texture)
{
    for (int32_t first = 0; first < blocks; first += kChunk) {
        const int n = blocks - first < kChunk ? int(blocks - first) : kChunk;
        fillChunk(target + 8 * first, stride, top + first, bottom + first, n, texture);
    }
}

#endif  // QUARNEL_X86_SIMD
