#include "platform/row_converters_kernels.h"

#include "platform/little_endian_store.h"

// Display rows are little-endian whatever the host's byte order.

void convertRgb32Scalar(const uint32_t* src, uint8_t* dst, int32_t count)
{
    // The source word as it is, top byte included.
    for (int32_t i = 0; i < count; ++i) {
        storeLittle32(dst, src[i]);
        dst += 4;
    }
}

void convertRgb24Scalar(const uint32_t* src, uint8_t* dst, int32_t count)
{
    // B, G, R: the source's first three bytes; its top byte is skipped.
    for (int32_t i = 0; i < count; ++i) {
        const uint32_t p = src[i];
        dst[0] = static_cast<uint8_t>(p);
        dst[1] = static_cast<uint8_t>(p >> 8);
        dst[2] = static_cast<uint8_t>(p >> 16);
        dst += 3;
    }
}

void convertRgb565Scalar(const uint32_t* src, uint8_t* dst, int32_t count)
{
    for (int32_t i = 0; i < count; ++i) {
        const uint32_t p = src[i];
        const uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
        storeLittle16(dst, ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
        dst += 2;
    }
}

void convertBgr565Scalar(const uint32_t* src, uint8_t* dst, int32_t count)
{
    for (int32_t i = 0; i < count; ++i) {
        const uint32_t p = src[i];
        const uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
        storeLittle16(dst, ((b >> 3) << 11) | ((g >> 2) << 5) | (r >> 3));
        dst += 2;
    }
}

void convertRgb555Scalar(const uint32_t* src, uint8_t* dst, int32_t count)
{
    // Bit 15 stays 0.
    for (int32_t i = 0; i < count; ++i) {
        const uint32_t p = src[i];
        storeLittle16(dst, ((p >> 3) & 0x1F) | ((p >> 6) & 0x3E0) | ((p >> 9) & 0x7C00));
        dst += 2;
    }
}

void convertBgr555Scalar(const uint32_t* src, uint8_t* dst, int32_t count)
{
    for (int32_t i = 0; i < count; ++i) {
        const uint32_t p = src[i];
        const uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
        storeLittle16(dst, ((b >> 3) << 10) | ((g >> 3) << 5) | (r >> 3));
        dst += 2;
    }
}
