#pragma once
// The surface ripple of the 3D scenes: every vertex is scaled per axis by
// three sine waves running around the axes, so the sphere bulges in moving
// lobes. The owning effect sets phase and amplitude every frame.
#include <cstdint>

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
};
