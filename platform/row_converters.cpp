// Entry points of the row converters: the plain or the SIMD form, which write
// the same bytes, for the five common layouts; the two others plainly.
#include "platform/row_converters.h"

#include "core/simd.h"
#include "platform/little_endian_store.h"
#include "platform/row_converters_kernels.h"

void convertRgb32(const uint32_t* src, uint8_t* dst, int32_t count)
{
    if (simdForm() != SimdForm::Plain)
        return convertRgb32Simd(src, dst, count);
    convertRgb32Scalar(src, dst, count);
}

void convertBgr32(const uint32_t* src, uint8_t* dst, int32_t count)
{
    // Red and blue exchanged; the top byte is 0 whatever the source holds.
    for (int32_t i = 0; i < count; ++i) {
        const uint32_t p = src[i];
        storeLittle32(dst, ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF));
        dst += 4;
    }
}

void convertRgb24(const uint32_t* src, uint8_t* dst, int32_t count)
{
    if (simdForm() != SimdForm::Plain)
        return convertRgb24Simd(src, dst, count);
    convertRgb24Scalar(src, dst, count);
}

void convertBgr24(const uint32_t* src, uint8_t* dst, int32_t count)
{
    // R, G, B in memory.
    for (int32_t i = 0; i < count; ++i) {
        const uint32_t p = src[i];
        dst[0] = static_cast<uint8_t>(p >> 16);
        dst[1] = static_cast<uint8_t>(p >> 8);
        dst[2] = static_cast<uint8_t>(p);
        dst += 3;
    }
}

void convertRgb565(const uint32_t* src, uint8_t* dst, int32_t count)
{
    if (simdForm() != SimdForm::Plain)
        return convertRgb565Simd(src, dst, count);
    convertRgb565Scalar(src, dst, count);
}

void convertBgr565(const uint32_t* src, uint8_t* dst, int32_t count)
{
    if (simdForm() != SimdForm::Plain)
        return convertBgr565Simd(src, dst, count);
    convertBgr565Scalar(src, dst, count);
}

void convertRgb555(const uint32_t* src, uint8_t* dst, int32_t count)
{
    if (simdForm() != SimdForm::Plain)
        return convertRgb555Simd(src, dst, count);
    convertRgb555Scalar(src, dst, count);
}

void convertBgr555(const uint32_t* src, uint8_t* dst, int32_t count)
{
    if (simdForm() != SimdForm::Plain)
        return convertBgr555Simd(src, dst, count);
    convertBgr555Scalar(src, dst, count);
}
