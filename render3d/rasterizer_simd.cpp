// The triangle fill with the span fill in lanes, eight pixels a step: one
// vector of eight lanes, or two of four. The whole fill is built for each
// target, so that the span fill is inlined into its rows.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "render3d/rasterizer_simd.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include <algorithm>
#include <cstdint>

#include "render3d/exact_divide.h"
#include "render3d/raster_kernels.h"
#include "render3d/rasterizer.h"
#include "render3d/span_kernels.h"

HWY_BEFORE_NAMESPACE();
namespace raster_simd::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// Highway's fallback target, SCALAR, has one lane: there the plain span fill
// is the SIMD form.
constexpr bool kOneLane = HWY_TARGET == HWY_SCALAR;

struct SpanSimd {
    static void fill(uint32_t* rowPixels, uint32_t* rowKeys, int32_t width, int32_t xl, int32_t n, uint32_t z,
                     uint32_t dz, uint32_t color)
    {
        if (kOneLane) return fillSpanScalar(rowPixels + xl, rowKeys + xl, n, z, dz, color);
        constexpr int32_t kStep = 8;
        const hn::CappedTag<int32_t, kStep> di;
        const hn::RebindToUnsigned<decltype(di)> du;
        const int32_t lanes = int32_t(hn::Lanes(di));
        const auto ink = hn::Set(du, color);
        const auto iota = hn::Iota(di, 0);
        // Lane j holds z + j*dz; the low 32 bits of the product wrap exactly
        // like j repeated additions.
        auto zs = hn::Add(hn::Set(du, z), hn::Mul(hn::Set(du, dz), hn::BitCast(du, iota)));
        const auto step = hn::Set(du, uint32_t(lanes) * dz);
        int32_t i = 0;
        for (; i < n; i += kStep) {
            if (xl + i > width - kStep)
                break;
            for (int32_t j = i; j < i + kStep; j += lanes) {
                uint32_t* keys = rowKeys + xl + j;
                uint32_t* pixels = rowPixels + xl + j;
                const auto k = hn::BitCast(du, hn::ShiftRight<8>(hn::BitCast(di, zs)));
                const auto old = hn::LoadU(du, keys);
                const auto inSpan = hn::RebindMask(du, hn::Lt(iota, hn::Set(di, n - j)));
                const auto write = hn::And(hn::Lt(k, old), inSpan);
                hn::StoreU(hn::IfThenElse(write, k, old), du, keys);
                hn::StoreU(hn::IfThenElse(write, ink, hn::LoadU(du, pixels)), du, pixels);
                zs = hn::Add(zs, step);
            }
        }
        if (i < n)
            fillSpanScalar(rowPixels + xl + i, rowKeys + xl + i, n - i, z + uint32_t(i) * dz, dz, color);
    }
};

#include "render3d/triangle_fill.h"

void FillSortedTriangle(uint32_t* HWY_RESTRICT target, int32_t width, int32_t height, const ScreenVertex* v,
                        uint32_t color, uint32_t* HWY_RESTRICT depth, int32_t xMin, int32_t xMax)
{
    fillSortedTriangle<SpanSimd>(target, width, height, v, color, depth, xMin, xMax);
}

void FillSpan(uint32_t* HWY_RESTRICT rowPixels, uint32_t* HWY_RESTRICT rowKeys, int32_t width, int32_t xl, int32_t n,
              uint32_t z, uint32_t dz, uint32_t color)
{
    SpanSimd::fill(rowPixels, rowKeys, width, xl, n, z, dz, color);
}

}  // namespace raster_simd::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace raster_simd {
HWY_EXPORT(FillSortedTriangle);
HWY_EXPORT(FillSpan);

// Called from inside the namespace that holds the dispatch tables.
void fillSortedTriangle(uint32_t* target, int32_t width, int32_t height, const ScreenVertex* v, uint32_t color,
                        uint32_t* depth, int32_t xMin, int32_t xMax)
{
    HWY_DYNAMIC_DISPATCH(FillSortedTriangle)(target, width, height, v, color, depth, xMin, xMax);
}

void fillSpan(uint32_t* rowPixels, uint32_t* rowKeys, int32_t width, int32_t xl, int32_t n, uint32_t z, uint32_t dz,
              uint32_t color)
{
    HWY_DYNAMIC_DISPATCH(FillSpan)(rowPixels, rowKeys, width, xl, n, z, dz, color);
}
}  // namespace raster_simd

void fillSortedTriangleSimd(uint32_t* target, int32_t width, int32_t height, const ScreenVertex* v,
                            uint32_t color, uint32_t* depth, int32_t xMin, int32_t xMax)
{
    raster_simd::fillSortedTriangle(target, width, height, v, color, depth, xMin, xMax);
}

void fillSpanSimd(uint32_t* rowPixels, uint32_t* rowKeys, int32_t width, int32_t xl, int32_t n, uint32_t z,
                  uint32_t dz, uint32_t color)
{
    raster_simd::fillSpan(rowPixels, rowKeys, width, xl, n, z, dz, color);
}
#endif
