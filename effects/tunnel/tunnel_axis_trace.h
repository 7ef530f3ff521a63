#pragma once
// Tracing tunnel nodes for an eye on the cylinder's axis, as the tunnel
// effect always has it (only the depth of the eye changes).
//
// With the eye at x = y = 0 (either sign of zero) the cylinder hit
// simplifies exactly: B = +-0, K = -1, disc = 4A, sqrt(disc) = 2 sqrt(A)
// (scaling by 4 is exact), and the smaller root is -(2 sqrt(A)) / (2A) =
// -(sqrt(A) / A) with the same roundings, so one square root and one
// division give the very distance of the general rule. A = 0 keeps the
// no-hit distance.
//
// Each node goes through the fast wobble and the fast arc tangent (see
// tunnel_trace.h), which vouch for their results; a node either cannot
// vouch for is traced by the reference steps instead.
#include <cstdint>

#include "core/simd.h"
#include "effects/tunnel/tunnel_mapper.h"

// True when the eye is on the axis and the wobble factor s is one the fast
// steps accept (|s| <= 1): the on-axis tracers below may be used.
bool onAxisTraceApplies(const Vec3& eye, double s);

// One node by the reference steps: wobble, cylinder hit, the two texel
// coordinates.
TunnelNode traceNodeExact(const Vec3& view, double s, const Vec3& eye);

// nodes[i] for the view direction directions[i] turned by rotation
// (Matrix4 transformPoint), i < count, for an eye with onAxisTraceApplies.
// The plain form goes node by node.
void traceOnAxisPlain(const Vec3* directions, const Matrix4& rotation, int32_t count, double s, const Vec3& eye,
                      TunnelNode* nodes);

// The same in SIMD lanes, with exactly the operations of the plain form
// (tunnel_axis_trace_simd.cpp).
void traceOnAxisSimd(const Vec3* directions, const Matrix4& rotation, int32_t count, double s, const Vec3& eye,
                     TunnelNode* nodes);

// The plain form for SimdForm::Plain, the SIMD form otherwise.
void traceOnAxis(const Vec3* directions, const Matrix4& rotation, int32_t count, double s, const Vec3& eye,
                 TunnelNode* nodes, SimdForm form = simdForm());
