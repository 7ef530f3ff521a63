// Blends: the factor's low byte, and the word-at-a-time scalar kernels against
// single-byte arithmetic in all four byte lanes (the SIMD forms against the
// plain ones: kernel_forms_test.cpp).
#include <gtest/gtest.h>

#include <cstdint>

#include "pixel/blend.h"
#include "pixel/blend_kernels.h"

namespace {

uint32_t fadeOne(uint32_t dst, uint32_t src, uint32_t factor) {
    crossFadePixels(&dst, &src, 1, factor);
    return dst;
}

}  // namespace

TEST(Blend, OnlyTheFactorsLowByteCounts) {
    EXPECT_EQ(fadeOne(0x80402010, 0x11FFEE22, 0x1FF), fadeOne(0x80402010, 0x11FFEE22, 255));
    EXPECT_EQ(fadeOne(0x80402010, 0x11FFEE22, 0x100), fadeOne(0x80402010, 0x11FFEE22, 0));
    EXPECT_NE(fadeOne(0x80402010, 0x11FFEE22, 255), fadeOne(0x80402010, 0x11FFEE22, 0));
}

TEST(Blend, NonPositiveCountChangesNothing) {
    uint32_t dst[2] = {0x12345678, 0x9ABCDEF0};
    const uint32_t src[2] = {0xFFFFFFFF, 0xFFFFFFFF};
    for (int count : {0, -1, -76800}) {
        subtractPixels(dst, src, count);
        crossFadePixels(dst, src, count, 77);
    }
    EXPECT_EQ(dst[0], 0x12345678u);
    EXPECT_EQ(dst[1], 0x9ABCDEF0u);
}

// Every pair of byte values in every lane, between neighbours set to provoke
// a stray carry or borrow, must give the one-byte result.
TEST(Blend, ScalarKernelsExactForEveryBytePair) {
    for (uint32_t f : {0u, 1u, 128u, 200u, 255u})
        for (uint32_t d = 0; d < 256; ++d)
            for (uint32_t s = 0; s < 256; ++s)
                for (int shift = 0; shift < 32; shift += 8)
                    for (uint32_t around : {0x00u, 0xFFu}) {
                        const uint32_t lane = 0xFFu << shift;
                        const uint32_t dp = ((around * 0x01010101u) & ~lane) | (d << shift);
                        const uint32_t sp = (((around ^ 0xFF) * 0x01010101u) & ~lane) | (s << shift);
                        uint32_t sub = dp, fade = dp;
                        subtractPixelsScalar(&sub, &sp, 1);
                        crossFadePixelsScalar(&fade, &sp, 1, f);
                        ASSERT_EQ((sub >> shift) & 0xFF, d > s ? d - s : 0) << d << " - " << s;
                        ASSERT_EQ((fade >> shift) & 0xFF, (s * f + d * (255 - f)) >> 8) << d << ", " << s << ", " << f;
                    }
}
