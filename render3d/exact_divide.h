#pragma once
// Signed 32-bit division truncating toward zero, as the rasterizer needs it
// for its edge and span gradients, in two exact forms.
//
// divideExact: through double. The quotient of two 32-bit integers lies at
// least 1/|b| > 2^-31 of its size away from any other whole number it could
// round onto, far more than the 2^-53 relative rounding of the division, so
// truncating the rounded quotient gives the integer quotient.
//
// divideSmall: for divisors 1 ... kSmallDivisorMax, a multiplication by a
// per-divisor magic number in place of the division (whose latency sits on
// the path of every span). With l = ceil(log2 d) and m = ceil(2^(31+l) / d),
// e = m d - 2^(31+l) lies in 0 ... d - 1, and for every 0 <= x <= 2^31
//     x m / 2^(31+l) = x / d + x e / (d 2^(31+l)),
// where the second term is below 2^31 d / (d 2^(31+l)) = 2^-l <= 1/d: too
// little to carry x / d (whose fraction is at most (d - 1) / d) past the next
// whole number, so floor(x m / 2^(31+l)) = floor(x / d). As m < 2^32, x m
// < 2^63 fits in 64 bits. The sign is taken off before (|INT32_MIN| = 2^31
// included) and put back after, which makes the floor a truncation toward
// zero.
//
// Neither handles INT32_MIN / -1 (an overflow); divisors here are row and
// column counts, at least 1.
#include <array>
#include <cstdint>

inline int32_t divideExact(int32_t a, int32_t b) { return int32_t(double(a) / double(b)); }

constexpr int32_t kSmallDivisorMax = 512;

namespace exact_divide_detail {

// Entry d: m in the low 32 bits, the shift 31 + l above them.
constexpr std::array<uint64_t, kSmallDivisorMax + 1> makeMagic()
{
    std::array<uint64_t, kSmallDivisorMax + 1> table{};
    for (uint64_t d = 1; d <= uint64_t(kSmallDivisorMax); ++d) {
        uint64_t l = 0;
        while ((uint64_t(1) << l) < d)
            ++l;
        const uint64_t m = ((uint64_t(1) << (31 + l)) + d - 1) / d;
        table[d] = m | (31 + l) << 32;
    }
    return table;
}

inline constexpr std::array<uint64_t, kSmallDivisorMax + 1> kMagic = makeMagic();

}  // namespace exact_divide_detail

// Needs 1 <= d <= kSmallDivisorMax.
inline int32_t divideSmall(int32_t a, int32_t d)
{
    const uint64_t entry = exact_divide_detail::kMagic[uint32_t(d)];
    const uint32_t sign = uint32_t(a >> 31);          // 0 or all ones
    const uint32_t magnitude = (uint32_t(a) ^ sign) - sign;  // |a| <= 2^31
    const uint32_t q = uint32_t((uint64_t(magnitude) * uint32_t(entry)) >> (entry >> 32));
    return int32_t((q ^ sign) - sign);
}

// Any divisor >= 1: the table where it reaches, double beyond.
inline int32_t divideTruncating(int32_t a, int32_t d)
{
    return d <= kSmallDivisorMax ? divideSmall(a, d) : divideExact(a, d);
}
