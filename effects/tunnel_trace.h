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
// |t| <= tan(pi / 8) and ten terms of the series) is within 2^-30 of the
// reference's; v is accepted when no whole number lies within that bound,
// scaled to texels, of the fast value.
#include <cstdint>

#include "render3d/vector_math.h"

Vec3 wobbleSightLineExact(const Vec3& r, double s);
bool wobbleSightLineFast(const Vec3& r, double s, Vec3& d);

int32_t aroundTexelsExact(float x, float y);
bool aroundTexelsFast(float x, float y, int32_t& v);

// The fast arc tangent of |x| against y, in 0 ... pi (|atan2(x, y)|), for
// moderate inputs (not both tiny); within 2^-30 of the true angle.
double fastAbsAtan2(double x, double y);
