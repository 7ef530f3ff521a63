#include "platform/row_converters.h"

#include "platform/little_endian_store.h"
#include "platform/row_converters_scalar.h"
#include "platform/row_converters_sse2.h"

void convertRgb32(const uint32_t* src, uint8_t* dst, int32_t count)
{
#if defined(QUARNEL_X86_SIMD)
    if (count > 0)
        copyBlocksSse2(dst, src, count * 4);
#else
    convertRgb32Scalar(src, dst, count);
#endif
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
#if defined(QUARNEL_X86_SIMD)
    pack24Sse2(dst, src, count);
#else
    convertRgb24Scalar(src, dst, count);
#endif
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
#if defined(QUARNEL_X86_SIMD)
    packRgb565Sse2(dst, src, count);
#else
    convertRgb565Scalar(src, dst, count);
#endif
}

void convertBgr565(const uint32_t* src, uint8_t* dst, int32_t count)
{
#if defined(QUARNEL_X86_SIMD)
    packBgr565Sse2(dst, src, count);
#else
    convertBgr565Scalar(src, dst, count);
#endif
}

void convertRgb555(const uint32_t* src, uint8_t* dst, int32_t count)
{
#if defined(QUARNEL_X86_SIMD)
    packRgb555Sse2(dst, src, count);
#else
    convertRgb555Scalar(src, dst, count);
#endif
}

void convertBgr555(const uint32_t* src, uint8_t* dst, int32_t count)
{
#if defined(QUARNEL_X86_SIMD)
    packBgr555Sse2(dst, src, count);
#else
    convertBgr555Scalar(src, dst, count);
#endif
}
