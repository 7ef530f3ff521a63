#include "platform/row_converters_sse2.h"

#if defined(QUARNEL_X86_SIMD)
#include <emmintrin.h>

#include "platform/row_converters_scalar.h"

// Every kernel works on whole steps of 4, 8 or 16 pixels and hands the last
// few pixels of the row to its scalar twin, which writes the same bytes. Loads
// and stores are unaligned: a locked texture row may start anywhere.
namespace {

inline __m128i load4(const uint32_t* src)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
}

inline __m128i splat(uint32_t value)
{
    return _mm_set1_epi32(static_cast<int32_t>(value));
}

}  // namespace

void copyBlocksSse2(uint8_t* dst, const uint32_t* src, int32_t bytes)
{
    if (bytes <= 0)
        return;
    // 64-byte blocks (16 pixels): all loads of a block before its stores.
    const uint8_t* from = reinterpret_cast<const uint8_t*>(src);
    for (int32_t block = bytes >> 6; block > 0; --block) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 16));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 32));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 48));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), a);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 16), b);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 32), c);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 48), d);
        from += 64;
        dst += 64;
    }
    // The rest byte by byte.
    for (int32_t i = 0; i < (bytes & 63); ++i)
        dst[i] = from[i];
}

void pack24Sse2(uint8_t* dst, const uint32_t* src, int32_t count)
{
    if (count <= 0)
        return;
    // Each 64-bit lane holds two pixels; dropping the top byte of both and
    // closing the gap gives 6 packed bytes per lane, and moving the upper
    // lane's 6 bytes down by 2 joins them into 12.
    const __m128i lowPixel = _mm_set1_epi64x(0x0000000000FFFFFFll);
    const __m128i highPixel = _mm_set1_epi64x(0x0000FFFFFF000000ll);
    const __m128i firstSix = _mm_set_epi64x(0, 0x0000FFFFFFFFFFFFll);
    const __m128i nextSix = _mm_set_epi64x(0x00000000FFFFFFFFll, static_cast<long long>(0xFFFF000000000000ull));
    for (int32_t step = count >> 2; step > 0; --step) {
        const __m128i pixels = load4(src);
        // Pixel 1 (3) moves down by 8 bits to sit right after pixel 0 (2).
        const __m128i pairs = _mm_or_si128(_mm_and_si128(pixels, lowPixel),
                                           _mm_and_si128(_mm_srli_epi64(pixels, 8), highPixel));
        const __m128i packed = _mm_or_si128(_mm_and_si128(pairs, firstSix),
                                            _mm_and_si128(_mm_srli_si128(pairs, 2), nextSix));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(dst), packed);
        const uint32_t last = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(packed, 8)));
        dst[8] = static_cast<uint8_t>(last);
        dst[9] = static_cast<uint8_t>(last >> 8);
        dst[10] = static_cast<uint8_t>(last >> 16);
        dst[11] = static_cast<uint8_t>(last >> 24);
        src += 4;
        dst += 12;
    }
    convertRgb24Scalar(src, dst, count & 3);
}

namespace {

// 5:6:5 for four pixels. `low` holds green in bits 5-10 and the low channel in
// bits 0-4 of each 32-bit lane (never above 0x7FF, so the signed pack keeps it);
// `high` holds the high channel's top five bits in bits 19-23, the low byte of
// the pixel's upper half: the unsigned byte pack then moves it to the high byte
// of each 16-bit result.
inline __m128i join565(__m128i low, __m128i high)
{
    const __m128i low16 = _mm_packs_epi32(low, low);
    const __m128i high8 = _mm_packus_epi16(high, high);
    return _mm_or_si128(low16, high8);
}

}  // namespace

void packRgb565Sse2(uint8_t* dst, const uint32_t* src, int32_t count)
{
    if (count <= 0)
        return;
    const __m128i blue = splat(0x000000F8), green = splat(0x0000FC00), red = splat(0x00F80000);
    for (int32_t step = count >> 2; step > 0; --step) {
        const __m128i pixels = load4(src);
        const __m128i low = _mm_srli_epi32(
            _mm_or_si128(_mm_and_si128(pixels, green), _mm_slli_epi32(_mm_and_si128(pixels, blue), 2)), 5);
        const __m128i high = _mm_and_si128(pixels, red);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(dst), join565(low, high));
        src += 4;
        dst += 8;
    }
    convertRgb565Scalar(src, dst, count & 3);
}

void packBgr565Sse2(uint8_t* dst, const uint32_t* src, int32_t count)
{
    if (count <= 0)
        return;
    const __m128i blue = splat(0x000000F8), green = splat(0x0000FC00), red = splat(0x00F80000);
    for (int32_t step = count >> 2; step > 0; --step) {
        const __m128i pixels = load4(src);
        // Red's top bits 19-23 go down by 14 to 5-9, then with green by 5 more.
        const __m128i low = _mm_srli_epi32(
            _mm_or_si128(_mm_and_si128(pixels, green), _mm_srli_epi32(_mm_and_si128(pixels, red), 14)), 5);
        const __m128i high = _mm_slli_epi32(_mm_and_si128(pixels, blue), 16);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(dst), join565(low, high));
        src += 4;
        dst += 8;
    }
    convertBgr565Scalar(src, dst, count & 3);
}

namespace {

// 5:5:5 for four pixels. The multiply-add takes the top five bits of blue
// (low 16-bit half) and red (high half) and, with the pair of multipliers,
// puts the low channel at bits 6-10 and the high one at 16-20 in one step;
// green's top bits sit at 11-15 already, and a shift by 6 lines all three up.
inline __m128i pack555(__m128i pixels, __m128i multipliers)
{
    const __m128i redBlue = _mm_and_si128(pixels, splat(0x00F800F8));
    const __m128i green = _mm_and_si128(pixels, splat(0x0000F800));
    return _mm_srli_epi32(_mm_or_si128(_mm_madd_epi16(redBlue, multipliers), green), 6);
}

// Eight pixels a step; the results stay below 0x8000, so the signed pack is exact.
void pack555Body(uint8_t* dst, const uint32_t* src, int32_t steps, __m128i multipliers)
{
    for (; steps > 0; --steps) {
        const __m128i first = pack555(load4(src), multipliers);
        const __m128i second = pack555(load4(src + 4), multipliers);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_packs_epi32(first, second));
        src += 8;
        dst += 16;
    }
}

}  // namespace

void packRgb555Sse2(uint8_t* dst, const uint32_t* src, int32_t count)
{
    if (count <= 0)
        return;
    // (blue half x 8) + (red half x 0x2000): blue to 6-10, red to 16-20.
    pack555Body(dst, src, count >> 3, splat(0x20000008));
    const int32_t done = count & ~7;
    convertRgb555Scalar(src + done, dst + 2 * done, count & 7);
}

void packBgr555Sse2(uint8_t* dst, const uint32_t* src, int32_t count)
{
    if (count <= 0)
        return;
    // (blue half x 0x2000) + (red half x 8): red to 6-10, blue to 16-20.
    pack555Body(dst, src, count >> 3, splat(0x00082000));
    const int32_t done = count & ~7;
    convertBgr555Scalar(src + done, dst + 2 * done, count & 7);
}

#endif
