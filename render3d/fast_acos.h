#pragma once
// An arc cosine for the face shading (its lane form, with the same
// operations in the same order, is in face_kernels_simd.cpp).
//
// acos q is reduced to an arc sine on 0 ... 0.5: pi/2 - asin q for |q| <= 0.5,
// 2 asin sqrt((1 - |q|) / 2) above (subtracted from pi for negative q); the
// arc sine is s + s z R(z), z = s^2, with the classic rational R of degree
// 5/4, whose own error is below 2^-58. The rounding of the dozen steps keeps
// the result within 2^-50 of the true arc cosine for every q in -1 ... 1
// (the tests measure about 2^-51). Callers that truncate the result accept it
// only when no whole number lies within a wider margin (kFastAcosError).
#include <cmath>
#include <cstdint>

// Bound used by the callers for |fastAcos(q) - std::acos(q)|: 2^-50 for the
// fast value plus 4 units in the last place (2^-50) for the library's, and a
// factor of 4 to spare.
constexpr double kFastAcosError = 0x1p-46;

namespace fast_acos_detail {

constexpr double kHalfPi = 1.57079632679489655800e+00;
constexpr double kPi = 3.14159265358979311600e+00;
constexpr double pS0 = 1.66666666666666657415e-01, pS1 = -3.25565818622400915405e-01,
                 pS2 = 2.01212532134862925881e-01, pS3 = -4.00555345006794114027e-02,
                 pS4 = 7.91534994289814532176e-04, pS5 = 3.47933107596021167570e-05;
constexpr double qS1 = -2.40339491173441421878e+00, qS2 = 2.02094576023350569471e+00,
                 qS3 = -6.88283971605453293030e-01, qS4 = 7.70381505559019352791e-02;

}  // namespace fast_acos_detail

// q must lie in -1 ... 1.
inline double fastAcos(double q)
{
    using namespace fast_acos_detail;
    const double aq = std::fabs(q);
    const bool small = aq <= 0.5;
    const double z = small ? q * q : (1.0 - aq) * 0.5;
    const double s = small ? q : std::sqrt(z);
    const double p = z * (pS0 + z * (pS1 + z * (pS2 + z * (pS3 + z * (pS4 + z * pS5)))));
    const double d = 1.0 + z * (qS1 + z * (qS2 + z * (qS3 + z * qS4)));
    const double asinS = s + s * (p / d);
    if (small)
        return kHalfPi - asinS;
    return q > 0.0 ? 2.0 * asinS : kPi - 2.0 * asinS;
}
