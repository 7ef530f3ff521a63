#include "effects/spheres/wobble_modifier.h"

#include <cmath>
#include <cstring>

#include "effects/spheres/wobble_kernels.h"

void WobbleModifier::makeBasis(int32_t i, const Vec3& p)
{
    // The same angle expressions as the reference: frequency (as a double)
    // times the arc tangent of the float coordinates widened to double.
    const double f = frequency;
    const double x = p.x, y = p.y, z = p.z;
    const double zy = f * std::atan2(z, y), xz = f * std::atan2(x, z), xy = f * std::atan2(x, y);
    keys[size_t(i)] = p;
    sinZY[size_t(i)] = std::sin(zy);
    cosZY[size_t(i)] = std::cos(zy);
    sinXZ[size_t(i)] = std::sin(xz);
    cosXZ[size_t(i)] = std::cos(xz);
    sinXY[size_t(i)] = std::sin(xy);
    cosXY[size_t(i)] = std::cos(xy);
}

void WobbleModifier::prepare()
{
    if (!mesh)
        return;
    const size_t n = size_t(mesh->vertexCount);
    if (keys.size() == n && basisFrequency == frequency)
        return;
    keys.resize(n);
    for (auto* table : {&sinZY, &cosZY, &sinXZ, &cosXZ, &sinXY, &cosXY})
        table->resize(n);
    basisFrequency = frequency;
    for (int32_t i = 0; i < mesh->vertexCount; ++i)
        makeBasis(i, mesh->baseVertices[i].position);
}

void WobbleModifier::apply()
{
    const WobbleFrame frame = wobbleFrame(phase, amplitude, frequency);
    if (!frame.fastUsable) {
        applyReference();
        return;
    }
    prepare();
    const Vertex* in = mesh->vertices;
    for (int32_t i = 0; i < mesh->vertexCount; ++i)
        if (std::memcmp(&keys[size_t(i)], &in[i].position, sizeof(Vec3)) != 0)
            makeBasis(i, in[i].position);

    const WobbleBasis basis{sinZY.data(), cosZY.data(), sinXZ.data(), cosXZ.data(), sinXY.data(), cosXY.data()};
    wobbleVertices(frame, basis, in, output.get(), mesh->vertexCount);
    mesh->vertices = output.get();
}

void WobbleModifier::applyReference()
{
    const WobbleFrame frame = wobbleFrame(phase, amplitude, frequency);
    const Vertex* in = mesh->vertices;
    Vertex* out = output.get();
    for (int32_t i = 0; i < mesh->vertexCount; ++i)
        out[i].position = wobbleVertexExact(in[i].position, frame);
    mesh->vertices = out;
}
