#pragma once
// The two trigonometric steps of tracing a tunnel node, each as the literal
// reference and as a fast evaluation that reports when it cannot vouch for
// its result (the caller then takes the reference).
//
// Wobble: w = 0.5 + 0.3f cos(5 atan2(r.x, r.y)) s squeezes the sideways part
// of the sight line, D = (float(w r.x), float(w r.y), r.z). With c = r.y / |r.xy|
// the cosine of the angle, cos 5θ = 16 c^5 - 20 c^3 + 5 c, so no arc tangent
// or cosine is needed. The fast w is within 2^-46 of the reference's; D is
// accepted when w r.x and w r.y lie farther than 2^-38 (relative) from the
// middle between two floats, so they round to the reference's floats.
//
// Texels around the tunnel: v = |trunc(atan2(x, y) * 256 / pi)|, which is
// trunc(|atan2(x, y)| * 256 / pi). The fast arc tangent (a reduction to
// |t| <= tan(pi / 8) with one division and ten terms of the series) is within 2^-30 of the
// reference's; v is accepted when no whole number lies within that bound,
// scaled to texels, of the fast value.
#include <cstdint>

#include "render3d/vector_math.h"

// The constants of the fast steps, shared with their SIMD forms.
namespace tunnel_trace {

// 256 / pi: turns an angle of -pi..pi into -256..256 texels around the tunnel.
inline constexpr double kTexelsPerRadian = 81.4873308630505;
// Amplitude of the five-lobed wobble, as the single-precision constant it is.
inline constexpr float kWobble = 0.3f;
inline constexpr double kQuarterPi = 0.78539816339744830962;
inline constexpr double kHalfPi = 1.57079632679489661923;
inline constexpr double kPi = 3.14159265358979323846;
inline constexpr double kTanEighthPi = 0.41421356237309503;

// Relative distance from the middle between two floats that a fast D needs.
// The fast w is off by at most 2^-46 (the library's cosine and arc tangent
// within 4 units in the last place, the polynomial's roundings) and w is at
// least 0.2, so w r.x is off by at most 2^-43 relative.
inline constexpr double kSightLineMargin = 0x1p-38;
// Texels of doubt around a fast v: the arc tangent's bound plus the
// library's, in texels, with room for the roundings of the product.
inline constexpr double kTexelMargin = kTexelsPerRadian * 0x1p-29;

}  // namespace tunnel_trace

Vec3 wobbleSightLineExact(const Vec3& r, double s);
bool wobbleSightLineFast(const Vec3& r, double s, Vec3& d);

int32_t aroundTexelsExact(float x, float y);
bool aroundTexelsFast(float x, float y, int32_t& v);

// Float-to-int conversion that truncates toward zero like a plain cast, but is
// defined for every input: values beyond the 32-bit range keep the low 32 bits
// of their 64-bit truncation (so they wrap like the fixed-point arithmetic
// downstream), and NaN or values beyond 64 bits give 0. Sight lines almost
// parallel to the axis can reach such depths; no in-range value is affected.
int32_t truncateToInt32(double x);

// The fast arc tangent of |x| against y, in 0 ... pi (|atan2(x, y)|), for
// moderate inputs (not both tiny); within 2^-30 of the true angle.
double fastAbsAtan2(double x, double y);
