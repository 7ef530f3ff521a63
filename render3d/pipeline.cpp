#include "render3d/pipeline.h"

#include <cmath>


namespace {

// Single-precision constants the arithmetic is defined by.
constexpr float kFacingThreshold = -0.2f;
constexpr float kQuarterPi = 0.7853982f;

bool truncateToInt32(double v, int32_t& out)
{
    // Also rejects NaN. Truncation toward zero, like the float->int conversion.
    if (!(v > -2147483649.0 && v < 2147483648.0))
        return false;
    out = int32_t(v);
    return true;
}

double dot(const Vec3& a, double bx, double by, double bz)
{
    return a.x * bx + a.y * by + a.z * bz;
}

}  // namespace

bool facesViewer(const Vec3& n, const Vec3& p0, const Vec3& c)
{
    const double ex = double(c.x) - p0.x, ey = double(c.y) - p0.y, ez = double(c.z) - p0.z;
    const double ee = ex * ex + ey * ey + ez * ez;
    const double nn = dot(n, n.x, n.y, n.z);
    const double q = dot(n, ex, ey, ez) / std::sqrt(ee * nn);
    return q > double(kFacingThreshold);
}

float focalLength(int32_t width)
{
    return float(width * 0.5 / std::tan(double(kQuarterPi)));
}

bool projectPoint(const Vec3& w, int32_t width, int32_t height, float f, ScreenVertex& out)
{
    if (!(w.z < 0.0f))
        return false;
    const double h = width * 0.5;
    const double z = w.z;
    return truncateToInt32(h + double(w.x) * f / -z, out.x) &&
           truncateToInt32(double(w.y) * f / -z + height * 0.5, out.y) &&
           truncateToInt32(16777215.0 / z, out.depth);
}

uint8_t shadeFace(Vec3& light, const Vec3& m)
{
    Vec3& l = light;
    const double length = std::sqrt(dot(l, l.x, l.y, l.z));
    l = Vec3(float(l.x / length), float(l.y / length), float(l.z / length));
    return shadeFromCosine(shadeCosine(m, l, dot(l, l.x, l.y, l.z)));
}

double shadeCosine(const Vec3& m, const Vec3& l, double ll)
{
    const double mm = dot(m, m.x, m.y, m.z);
    return dot(m, l.x, l.y, l.z) / std::sqrt(mm * ll);
}

uint8_t shadeFromCosine(double q)
{
    if (q > 1.0)
        q = 1.0;
    else if (!(q >= -1.0))
        q = -1.0;
    return uint8_t(int32_t(std::acos(q) * kShadePerRadian));
}

