#include "effects/spheres/wobble_kernels.h"

#include <cmath>

WobbleFrame wobbleFrame(float phase, float amplitude, int32_t frequency)
{
    WobbleFrame w;
    w.phase = phase;
    w.amplitude = amplitude;
    w.frequency = frequency;
    w.sinP = std::sin(w.phase);
    w.cosP = std::cos(w.phase);

    // Error bound, taking sin, cos and atan2 of the library within 4 units in
    // the last place (2^-50 for values up to 1). The reference rounds the
    // angle P +- F atan2(...) (2^-53 of its size, at most |P| + 4|F|) and
    // takes its sine (2^-50); the fast sine is off by 2^-48 from its four
    // inputs plus three roundings. So the sines differ by at most
    // E = 2^-53 (|P| + 4|F|) + 2^-47. Each factor 1 + A s then differs by
    // |A| E plus two roundings (2^-51 each), which relative to a factor of at
    // least 1 - |A| >= 0.5 is at most 2 (|A| E + 2^-50); the product of two
    // factors and a coordinate adds two roundings (2^-52 each). The margin is
    // four times the sum.
    const double absA = std::fabs(w.amplitude);
    const double e = std::ldexp(std::fabs(w.phase) + 4.0 * std::fabs(w.frequency), -53) + 0x1p-47;
    const double relative = 4.0 * (absA * e + 0x1p-50) + 0x1p-51;
    w.margin = 4.0 * relative;
    w.fastUsable = absA <= 0.5 && std::fabs(w.phase) < 0x1p30 && std::fabs(w.frequency) < 0x1p20 &&
                   w.margin < 0x1p-30;
    return w;
}

Vec3 wobbleVertexExact(const Vec3& p, const WobbleFrame& w)
{
    const double x = p.x, y = p.y, z = p.z;
    const double g = 1.0 + w.amplitude * std::sin(w.phase + w.frequency * std::atan2(z, y));
    const double d = 1.0 + w.amplitude * std::sin(w.phase - w.frequency * std::atan2(x, z));
    const double h = 1.0 + w.amplitude * std::sin(w.frequency * std::atan2(x, y) - w.phase);
    return Vec3(float(x * h * d), float(y * h * g), float(z * d * g));
}

namespace {

// True when every double within `margin` (relative) of v rounds to the same
// float as v. Not a number, and values too small for a relative bound to
// hold among float subnormals, are never sure.
bool roundsSurely(double v, double margin)
{
    if (v == 0.0)
        return true;
    if (!(std::fabs(v) > 0x1p-120))
        return false;
    return float(v * (1.0 - margin)) == float(v * (1.0 + margin));
}

}  // namespace

void wobbleVerticesScalar(const WobbleFrame& w, const WobbleBasis& b, const Vertex* in, Vertex* out, int32_t count)
{
    const double a = w.amplitude, sp = w.sinP, cp = w.cosP, m = w.margin;
    for (int32_t i = 0; i < count; ++i) {
        const double x = in[i].position.x, y = in[i].position.y, z = in[i].position.z;
        const double g = 1.0 + a * (sp * b.cosZY[i] + cp * b.sinZY[i]);  // sin(P + t)
        const double d = 1.0 + a * (sp * b.cosXZ[i] - cp * b.sinXZ[i]);  // sin(P - t)
        const double h = 1.0 + a * (b.sinXY[i] * cp - b.cosXY[i] * sp);  // sin(t - P)
        const double ox = x * h * d, oy = y * h * g, oz = z * d * g;
        if (roundsSurely(ox, m) && roundsSurely(oy, m) && roundsSurely(oz, m))
            out[i].position = Vec3(float(ox), float(oy), float(oz));
        else
            out[i].position = wobbleVertexExact(in[i].position, w);
    }
}

void wobbleVertices(const WobbleFrame& frame, const WobbleBasis& basis, const Vertex* in, Vertex* out,
                    int32_t count, SimdForm form)
{
    if (form != SimdForm::Plain)
        return wobbleVerticesSimd(frame, basis, in, out, count);
    wobbleVerticesScalar(frame, basis, in, out, count);
}
