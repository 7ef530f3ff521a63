// The division by magic numbers of the triangle fill (the fill's forms are in
// kernel_forms_test.cpp; the scene's partial depth clear is held to a full
// clear by the batched render test in render3d_fast_faces_test.cpp).
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <random>
#include <vector>

#include "render3d/exact_divide.h"

namespace {

int32_t plainQuotient(int32_t a, int32_t d) { return int32_t(int64_t(a) / d); }

TEST(ExactDivide, MagicNumbersTruncateLikeIntegerDivision)
{
    std::mt19937 rng(5);
    for (int32_t d = 1; d <= kSmallDivisorMax + 3; ++d) {
        // Both ends of the range, and each side of multiples of d spread over
        // it (where a quotient one too large or small would show first).
        std::vector<int32_t> a = {0, 1, -1, INT32_MAX, INT32_MIN, INT32_MIN + 1, INT32_MAX - 1};
        for (int64_t k : {int64_t(1), int64_t(2), int64_t(INT32_MAX) / d, int64_t(INT32_MAX) / d - 1,
                          int64_t(rng() % 1000000)}) {
            for (int64_t off = -1; off <= 1; ++off) {
                const int64_t m = k * d + off;
                if (m <= INT32_MAX) {
                    a.push_back(int32_t(m));
                    a.push_back(int32_t(-m));
                }
            }
        }
        for (int i = 0; i < 2000; ++i)
            a.push_back(int32_t(rng()));
        for (int32_t v : a) {
            if (d <= kSmallDivisorMax) {
                ASSERT_EQ(divideSmall(v, d), plainQuotient(v, d)) << v << " / " << d;
            }
            ASSERT_EQ(divideTruncating(v, d), plainQuotient(v, d)) << v << " / " << d;
            ASSERT_EQ(divideExact(v, d), plainQuotient(v, d)) << v << " / " << d;
        }
    }
    EXPECT_EQ(divideTruncating(-1000000, 100000), -10);
    EXPECT_EQ(divideTruncating(1 << 30, 1 << 20), 1 << 10);
}

}  // namespace
