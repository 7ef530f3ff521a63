#include "effects/wobble_modifier.h"

#include <cmath>

void WobbleModifier::apply()
{
    const double p = phase;
    const double a = amplitude;
    const double f = frequency;
    const Vertex* in = mesh->vertices;
    Vertex* out = output.get();
    for (int32_t i = 0; i < mesh->vertexCount; ++i) {
        const double x = in[i].position.x, y = in[i].position.y, z = in[i].position.z;
        const double g = 1.0 + a * std::sin(p + f * std::atan2(z, y));
        const double d = 1.0 + a * std::sin(p - f * std::atan2(x, z));
        const double h = 1.0 + a * std::sin(f * std::atan2(x, y) - p);
        out[i].position = Vec3(float(x * h * d), float(y * h * g), float(z * d * g));
    }
    mesh->vertices = out;
    mesh->computeNormals();
}
