#pragma once
// The wobble's arithmetic. The reference evaluates, per vertex,
//     g = 1 + A sin(P + F atan2(z, y)), d = 1 + A sin(P - F atan2(x, z)),
//     h = 1 + A sin(F atan2(x, y) - P)
// and stores (x h d, y h g, z d g) rounded to float. The three angles
// F atan2(...) depend on the vertex alone, so their sines and cosines are
// kept per vertex (the basis), and the fast kernels form each sine with the
// angle-sum identity from those and from sin P and cos P, computed once a
// frame. The fast result differs from the reference's only by rounding,
// within a relative bound (`margin`); a coordinate whose double value lies so
// near the middle between two floats that the bound could move it across is
// recomputed the reference way. So every stored float is the reference's.
#include <cstdint>

#include "core/simd.h"
#include "render3d/mesh.h"

struct WobbleFrame {
    double phase;       // P
    double amplitude;   // A
    double frequency;   // F
    double sinP, cosP;  // sin P, cos P
    double margin;      // relative bound on |fast coordinate - reference one|
    bool fastUsable;    // the bound holds (|A| <= 0.5, P and F moderate)
};

WobbleFrame wobbleFrame(float phase, float amplitude, int32_t frequency);

// Per-vertex sines and cosines of F atan2(z, y), F atan2(x, z), F atan2(x, y),
// one table each, `count` entries.
struct WobbleBasis {
    const double* sinZY;
    const double* cosZY;
    const double* sinXZ;
    const double* cosXZ;
    const double* sinXY;
    const double* cosXY;
};

// One vertex the reference way.
Vec3 wobbleVertexExact(const Vec3& p, const WobbleFrame& frame);

// out[i] for i < count from in[i] and basis entry i (which must be the
// basis of in[i]'s position) for a frame whose fastUsable is set: the plain
// kernel, the reference of the SIMD one, and the entry that runs `form`.
void wobbleVerticesScalar(const WobbleFrame& frame, const WobbleBasis& basis, const Vertex* in, Vertex* out,
                          int32_t count);
void wobbleVerticesSimd(const WobbleFrame& frame, const WobbleBasis& basis, const Vertex* in, Vertex* out,
                        int32_t count);
void wobbleVertices(const WobbleFrame& frame, const WobbleBasis& basis, const Vertex* in, Vertex* out,
                    int32_t count, SimdForm form = simdForm());
