#include "effects/tunnel/tunnel_trace.h"

#include <cmath>
#include <cstdlib>

namespace {

using namespace tunnel_trace;

bool roundsSurely(double v, double margin)
{
    if (v == 0.0)
        return true;
    if (!(std::fabs(v) > 0x1p-120 && std::fabs(v) < 0x1p60))
        return false;
    return float(v * (1.0 - margin)) == float(v * (1.0 + margin));
}

}  // namespace

Vec3 wobbleSightLineExact(const Vec3& r, double s)
{
    // Angle measured from +y toward +x: the lobes sit symmetrically about the
    // vertical axis of the view.
    const double theta = std::atan2(double(r.x), double(r.y));
    const double w = 0.5 + double(kWobble) * std::cos(5.0 * theta) * s;
    // Squeezing the sideways part of the sight line by w makes the wall
    // appear at radius 1 / w: the cross-section bulges into five lobes.
    return Vec3(float(w * r.x), float(w * r.y), r.z);
}

bool wobbleSightLineFast(const Vec3& r, double s, Vec3& d)
{
    const double x = r.x, y = r.y;
    const double rho2 = x * x + y * y;
    if (!(rho2 > 0x1p-200 && rho2 < 0x1p200) || !(std::fabs(s) <= 1.0))
        return false;
    const double c = y / std::sqrt(rho2);
    const double c2 = c * c;
    const double cos5 = c * (5.0 + c2 * (-20.0 + 16.0 * c2));
    const double w = 0.5 + double(kWobble) * cos5 * s;
    const double dx = w * x, dy = w * y;
    if (!roundsSurely(dx, kSightLineMargin) || !roundsSurely(dy, kSightLineMargin))
        return false;
    d = Vec3(float(dx), float(dy), r.z);
    return true;
}

int32_t aroundTexelsExact(float x, float y)
{
    // Truncate first, then fold: v is the same for an angle and its negative,
    // so the seam at +-pi (v = 256, texture row 0) is continuous.
    return std::abs(truncateToInt32(std::atan2(double(x), double(y)) * kTexelsPerRadian));
}

int32_t truncateToInt32(double x)
{
    constexpr double kLimit = 9223372036854775808.0;  // 2^63
    if (!(x > -kLimit && x < kLimit))
        return 0;
    return int32_t(uint32_t(uint64_t(int64_t(x))));
}

double fastAbsAtan2(double x, double y)
{
    const double ax = std::fabs(x), ay = std::fabs(y);
    const bool steep = ax > ay;
    const double hi = steep ? ax : ay, lo = steep ? ay : ax;
    // t = lo / hi in 0 ... 1. Above tan(pi / 8), atan t = pi / 4 + atan((t - 1) / (t + 1)),
    // and (t - 1) / (t + 1) = (lo - hi) / (lo + hi): one division either way. lo and hi
    // are floats within a factor of 4 there, so their sum and difference are exact.
    const bool folded = lo > kTanEighthPi * hi;
    const double t = folded ? (lo - hi) / (lo + hi) : lo / hi;
    const double base = folded ? kQuarterPi : 0.0;
    // atan t = t - t^3/3 + t^5/5 - ... ; for |t| <= tan(pi / 8) the terms
    // after t^19 add up to less than t^21 / 21 < 4.5e-10.
    const double t2 = t * t;
    double series = -1.0 / 19.0;
    series = 1.0 / 17.0 + t2 * series;
    series = -1.0 / 15.0 + t2 * series;
    series = 1.0 / 13.0 + t2 * series;
    series = -1.0 / 11.0 + t2 * series;
    series = 1.0 / 9.0 + t2 * series;
    series = -1.0 / 7.0 + t2 * series;
    series = 1.0 / 5.0 + t2 * series;
    series = -1.0 / 3.0 + t2 * series;
    series = 1.0 + t2 * series;
    double phi = base + t * series;  // angle of the flatter side, 0 ... pi/4
    if (steep)
        phi = kHalfPi - phi;  // measured from the y axis
    if (y < 0.0)
        phi = kPi - phi;
    return phi;
}

bool aroundTexelsFast(float x, float y, int32_t& v)
{
    const double hi = std::fmax(std::fabs(double(x)), std::fabs(double(y)));
    if (!(hi > 0x1p-500 && hi < 0x1p500))
        return false;
    const double texels = fastAbsAtan2(x, y) * kTexelsPerRadian;
    const int32_t low = int32_t(texels - kTexelMargin);
    if (low != int32_t(texels + kTexelMargin))
        return false;
    v = low;
    return true;
}
