// SIMD row converters, whole vectors of pixels per step; the last pixels of a
// row, fewer than a step, go through the plain kernels, which write the same
// bytes. Loads and stores are unaligned: a locked texture row may start
// anywhere. Display rows are little-endian, as are the lanes of every target.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "platform/row_converters_simd.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include "platform/row_converters_kernels.h"

HWY_BEFORE_NAMESPACE();
namespace row_converters_simd::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// Highway's fallback target, SCALAR, has one lane: there the plain kernels
// are the SIMD form.
constexpr bool kOneLane = HWY_TARGET == HWY_SCALAR;

void Rgb32(const uint32_t* HWY_RESTRICT src, uint8_t* HWY_RESTRICT dst, int32_t count)
{
    if (kOneLane) return convertRgb32Scalar(src, dst, count);
    // The source words as they are, top byte included.
    const hn::ScalableTag<uint8_t> d8;
    const int32_t step = int32_t(hn::Lanes(d8) / 4);
    const uint8_t* in = reinterpret_cast<const uint8_t*>(src);
    int32_t i = 0;
    for (; i + step <= count; i += step)
        hn::StoreU(hn::LoadU(d8, in + 4 * i), d8, dst + 4 * i);
    if (i < count)
        convertRgb32Scalar(src + i, dst + 4 * i, count - i);
}

void Rgb24(const uint32_t* HWY_RESTRICT src, uint8_t* HWY_RESTRICT dst, int32_t count)
{
    if (kOneLane) return convertRgb24Scalar(src, dst, count);
    // Four pixels a step: one shuffle drops their top bytes and packs the 12
    // others at the front; the store writes 16 bytes, the last 4 of which the
    // next step overwrites. So a step needs 4 bytes of room beyond its own
    // (two more pixels), and the plain kernel finishes the row.
    const hn::CappedTag<uint8_t, 16> d8;
    alignas(16) static constexpr uint8_t kPack[16] = {0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, 0, 0, 0, 0};
    const auto pack = hn::LoadDup128(d8, kPack);
    const uint8_t* in = reinterpret_cast<const uint8_t*>(src);
    int32_t i = 0;
    for (; i + 6 <= count; i += 4)
        hn::StoreU(hn::TableLookupBytes(hn::LoadU(d8, in + 4 * i), pack), d8, dst + 3 * i);
    if (i < count)
        convertRgb24Scalar(src + i, dst + 3 * i, count - i);
}

// Each channel's top bits, moved into place and masked.
template <int kShift, uint32_t kMask, class V>
HWY_INLINE V Field(V p)
{
    const hn::DFromV<V> d;
    if constexpr (kShift > 0)
        return hn::And(hn::ShiftRight<kShift>(p), hn::Set(d, kMask));
    else
        return hn::And(hn::ShiftLeft<-kShift>(p), hn::Set(d, kMask));
}

// The 16-bit layouts, three fields a pixel: the value sits in the low half of
// its 32-bit lane, which the truncation keeps.
template <int kShiftA, uint32_t kMaskA, int kShiftB, uint32_t kMaskB, int kShiftC, uint32_t kMaskC>
HWY_INLINE void Pack16(const uint32_t* HWY_RESTRICT src, uint8_t* HWY_RESTRICT dst, int32_t count,
                       void (*plain)(const uint32_t*, uint8_t*, int32_t))
{
    if (kOneLane) return plain(src, dst, count);
    const hn::ScalableTag<uint32_t> d32;
    const hn::Rebind<uint16_t, decltype(d32)> d16;
    const int32_t step = int32_t(hn::Lanes(d32));
    uint16_t* out = reinterpret_cast<uint16_t*>(dst);
    int32_t i = 0;
    for (; i + step <= count; i += step) {
        const auto p = hn::LoadU(d32, src + i);
        const auto packed = hn::Or(hn::Or(Field<kShiftA, kMaskA>(p), Field<kShiftB, kMaskB>(p)),
                                   Field<kShiftC, kMaskC>(p));
        hn::StoreU(hn::TruncateTo(d16, packed), d16, out + i);
    }
    if (i < count)
        plain(src + i, dst + 2 * i, count - i);
}

void Rgb565(const uint32_t* HWY_RESTRICT src, uint8_t* HWY_RESTRICT dst, int32_t count)
{
    Pack16<8, 0xF800, 5, 0x07E0, 3, 0x001F>(src, dst, count, convertRgb565Scalar);
}

void Bgr565(const uint32_t* HWY_RESTRICT src, uint8_t* HWY_RESTRICT dst, int32_t count)
{
    Pack16<-8, 0xF800, 5, 0x07E0, 19, 0x001F>(src, dst, count, convertBgr565Scalar);
}

void Rgb555(const uint32_t* HWY_RESTRICT src, uint8_t* HWY_RESTRICT dst, int32_t count)
{
    Pack16<9, 0x7C00, 6, 0x03E0, 3, 0x001F>(src, dst, count, convertRgb555Scalar);
}

void Bgr555(const uint32_t* HWY_RESTRICT src, uint8_t* HWY_RESTRICT dst, int32_t count)
{
    Pack16<-7, 0x7C00, 6, 0x03E0, 19, 0x001F>(src, dst, count, convertBgr555Scalar);
}

}  // namespace row_converters_simd::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace row_converters_simd {
HWY_EXPORT(Rgb32);
HWY_EXPORT(Rgb24);
HWY_EXPORT(Rgb565);
HWY_EXPORT(Bgr565);
HWY_EXPORT(Rgb555);
HWY_EXPORT(Bgr555);

// Called from inside the namespace that holds the dispatch tables.
void rgb32(const uint32_t* src, uint8_t* dst, int32_t count) { HWY_DYNAMIC_DISPATCH(Rgb32)(src, dst, count); }
void rgb24(const uint32_t* src, uint8_t* dst, int32_t count) { HWY_DYNAMIC_DISPATCH(Rgb24)(src, dst, count); }
void rgb565(const uint32_t* src, uint8_t* dst, int32_t count) { HWY_DYNAMIC_DISPATCH(Rgb565)(src, dst, count); }
void bgr565(const uint32_t* src, uint8_t* dst, int32_t count) { HWY_DYNAMIC_DISPATCH(Bgr565)(src, dst, count); }
void rgb555(const uint32_t* src, uint8_t* dst, int32_t count) { HWY_DYNAMIC_DISPATCH(Rgb555)(src, dst, count); }
void bgr555(const uint32_t* src, uint8_t* dst, int32_t count) { HWY_DYNAMIC_DISPATCH(Bgr555)(src, dst, count); }
}  // namespace row_converters_simd

void convertRgb32Simd(const uint32_t* s, uint8_t* d, int32_t n) { row_converters_simd::rgb32(s, d, n); }
void convertRgb24Simd(const uint32_t* s, uint8_t* d, int32_t n) { row_converters_simd::rgb24(s, d, n); }
void convertRgb565Simd(const uint32_t* s, uint8_t* d, int32_t n) { row_converters_simd::rgb565(s, d, n); }
void convertBgr565Simd(const uint32_t* s, uint8_t* d, int32_t n) { row_converters_simd::bgr565(s, d, n); }
void convertRgb555Simd(const uint32_t* s, uint8_t* d, int32_t n) { row_converters_simd::rgb555(s, d, n); }
void convertBgr555Simd(const uint32_t* s, uint8_t* d, int32_t n) { row_converters_simd::bgr555(s, d, n); }
#endif
