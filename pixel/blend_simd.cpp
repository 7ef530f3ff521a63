// SIMD blends, one vector of pixels per step; the remaining pixels, fewer
// than a vector, go through the plain kernels so that every count gives the
// reference's bytes.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "pixel/blend_simd.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include "pixel/blend_kernels.h"

HWY_BEFORE_NAMESPACE();
namespace blend_simd::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// Highway's fallback target, SCALAR, has one lane: there the plain kernels
// are the SIMD form.
constexpr bool kOneLane = HWY_TARGET == HWY_SCALAR;

void SubtractPixels(uint32_t* HWY_RESTRICT dst, const uint32_t* HWY_RESTRICT src, int count)
{
    if (kOneLane) return subtractPixelsScalar(dst, src, count);
    const hn::ScalableTag<uint8_t> d8;
    const int step = int(hn::Lanes(d8) / 4);
    uint8_t* out = reinterpret_cast<uint8_t*>(dst);
    const uint8_t* in = reinterpret_cast<const uint8_t*>(src);
    int i = 0;
    for (; i + step <= count; i += step)
        hn::StoreU(hn::SaturatedSub(hn::LoadU(d8, out + 4 * i), hn::LoadU(d8, in + 4 * i)), d8, out + 4 * i);
    if (i < count)
        subtractPixelsScalar(dst + i, src + i, count - i);
}

void CrossFadePixels(uint32_t* HWY_RESTRICT dst, const uint32_t* HWY_RESTRICT src, int count, uint32_t factor)
{
    if (kOneLane) return crossFadePixelsScalar(dst, src, count, factor);
    // Each 16-bit lane holds two byte lanes of a pixel. The weighted sums of
    // the low bytes and of the high bytes each fit 16 bits (at most
    // 255 * 255), so both are worked out in place, as the plain kernel does
    // in its half words.
    const hn::ScalableTag<uint16_t> d16;
    const uint32_t f = factor & 0xFF;
    const auto srcWeight = hn::Set(d16, uint16_t(f));
    const auto dstWeight = hn::Set(d16, uint16_t(255 - f));
    const auto lowByte = hn::Set(d16, uint16_t(0x00FF));
    const auto highByte = hn::Set(d16, uint16_t(0xFF00));
    const int step = int(hn::Lanes(d16) / 2);
    uint16_t* out = reinterpret_cast<uint16_t*>(dst);
    const uint16_t* in = reinterpret_cast<const uint16_t*>(src);
    int i = 0;
    for (; i + step <= count; i += step) {
        const auto d = hn::LoadU(d16, out + 2 * i);
        const auto s = hn::LoadU(d16, in + 2 * i);
        const auto even = hn::ShiftRight<8>(
            hn::Add(hn::Mul(hn::And(s, lowByte), srcWeight), hn::Mul(hn::And(d, lowByte), dstWeight)));
        const auto odd = hn::And(
            hn::Add(hn::Mul(hn::ShiftRight<8>(s), srcWeight), hn::Mul(hn::ShiftRight<8>(d), dstWeight)), highByte);
        hn::StoreU(hn::Or(even, odd), d16, out + 2 * i);
    }
    if (i < count)
        crossFadePixelsScalar(dst + i, src + i, count - i, factor);
}

}  // namespace blend_simd::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace blend_simd {
HWY_EXPORT(SubtractPixels);
HWY_EXPORT(CrossFadePixels);

// Called from inside the namespace that holds the dispatch tables.
void subtract(uint32_t* dst, const uint32_t* src, int count) { HWY_DYNAMIC_DISPATCH(SubtractPixels)(dst, src, count); }

void crossFade(uint32_t* dst, const uint32_t* src, int count, uint32_t factor)
{
    HWY_DYNAMIC_DISPATCH(CrossFadePixels)(dst, src, count, factor);
}
}  // namespace blend_simd

void subtractPixelsSimd(uint32_t* dst, const uint32_t* src, int count) { blend_simd::subtract(dst, src, count); }

void crossFadePixelsSimd(uint32_t* dst, const uint32_t* src, int count, uint32_t factor)
{
    blend_simd::crossFade(dst, src, count, factor);
}
#endif
