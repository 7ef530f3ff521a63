#pragma once
// The surface ripple of the 3D scenes: every vertex is scaled per axis by
// three sine waves running around the axes, so the sphere bulges in moving
// lobes. The owning effect sets phase and amplitude every frame.
#include <cstdint>
#include <vector>

#include "render3d/mesh.h"

class WobbleModifier : public VertexModifier {
public:
    float phase = 0.0f;
    float amplitude = 0.2f;
    int32_t frequency;  // lobes around each axis

    explicit WobbleModifier(int32_t frequency) : frequency(frequency) {}

    // output[i] = the current vertex i scaled by (f d, f g, d g), each factor
    // 1 + amplitude * sin(...) of the angle about one axis; then makes output
    // current and recomputes the normals.
    void apply() override;

    // The same, evaluated literally per vertex (three arc tangents and three
    // sines each): the reference apply() matches byte for byte.
    void applyReference();

    // Sizes the per-vertex tables for the bound mesh and fills them from its
    // base vertices, so that the first apply() allocates nothing. apply()
    // does it itself when needed.
    void prepare();

private:
    // Per vertex: the position its basis was made for, and the sines and
    // cosines of frequency * atan2(z, y), (x, z) and (x, y). A vertex whose
    // input differs from its key (another modifier before this one, or a
    // changed mesh) gets its basis remade when it is met.
    std::vector<Vec3> keys;
    std::vector<double> sinZY, cosZY, sinXZ, cosXZ, sinXY, cosXY;
    int32_t basisFrequency = 0;

    void makeBasis(int32_t i, const Vec3& p);
};
