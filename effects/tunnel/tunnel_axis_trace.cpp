#include "effects/tunnel/tunnel_axis_trace.h"

#include <cmath>

#include "effects/tunnel/tunnel_trace.h"

namespace {

// Texels along the tunnel per unit of depth.
constexpr double kTexelsPerUnit = 15.0;

// The cylinder hit distance from an eye on the axis.
double onAxisHitDistance(float a)
{
    return a > 0.0f ? -(std::sqrt(double(a)) / double(a)) : TunnelMapper::kNoHit;
}

}  // namespace

bool onAxisTraceApplies(const Vec3& eye, double s)
{
    return eye.x == 0.0f && eye.y == 0.0f && std::fabs(s) <= 1.0;
}

TunnelNode traceNodeExact(const Vec3& view, double s, const Vec3& eye)
{
    const Vec3 hit = TunnelMapper::cylinderHit(eye, wobbleSightLineExact(view, s));
    return TunnelNode{truncateToInt32(double(hit.z) * kTexelsPerUnit), aroundTexelsExact(hit.x, hit.y)};
}

void traceOnAxisPlain(const Vec3* directions, const Matrix4& rotation, int32_t count, double s, const Vec3& eye,
                      TunnelNode* nodes)
{
    for (int32_t i = 0; i < count; ++i) {
        const Vec3 view = rotation.transformPoint(directions[i]);
        Vec3 d;
        if (!wobbleSightLineFast(view, s, d)) {
            nodes[i] = traceNodeExact(view, s, eye);
            continue;
        }
        const float a = float(double(d.x) * d.x + double(d.y) * d.y);
        const double lambda = onAxisHitDistance(a);
        const float hx = float(eye.x + lambda * d.x), hy = float(eye.y + lambda * d.y);
        const float hz = float(eye.z + lambda * d.z);
        nodes[i].u = truncateToInt32(double(hz) * kTexelsPerUnit);
        if (!aroundTexelsFast(hx, hy, nodes[i].v))
            nodes[i].v = aroundTexelsExact(hx, hy);
    }
}

void traceOnAxis(const Vec3* directions, const Matrix4& rotation, int32_t count, double s, const Vec3& eye,
                 TunnelNode* nodes, SimdForm form)
{
    if (form != SimdForm::Plain)
        return traceOnAxisSimd(directions, rotation, count, s, eye, nodes);
    traceOnAxisPlain(directions, rotation, count, s, eye, nodes);
}
