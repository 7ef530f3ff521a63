#pragma once
// Meshes for the face kernels' tests, with the faces that catch faults.
#include <array>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "render3d/mesh.h"
#include "render3d/vector_math.h"

namespace testsupport {

// A wobbly closed surface with a few hostile faces: collinear ones (NaN
// normals), one reaching behind the viewer, and faces whose cosine with the
// direction to the viewer is within rounding of the -0.2 threshold.
struct TestMesh {
    std::unique_ptr<Mesh> mesh = std::make_unique<Mesh>();

    explicit TestMesh(std::mt19937& rng, int rings = 13)
    {
        std::uniform_real_distribution<float> jitter(-0.3f, 0.3f);
        const int w = rings + 1;
        const int extra = 60;
        std::vector<Vec3> points;
        for (int i = 0; i < w; ++i)
            for (int j = 0; j < w; ++j) {
                const double t = M_PI * i / rings, p = 2 * M_PI * j / rings;
                const float r = 5.0f + jitter(rng);
                points.emplace_back(float(r * std::sin(t) * std::sin(p)), float(r * std::cos(t)),
                                    float(r * std::sin(t) * std::cos(p)));
            }
        std::vector<std::array<int, 3>> tris;
        for (int r = 0; r < rings; ++r)
            for (int c = 0; c < rings; ++c) {
                const int b = r * w + c;
                tris.push_back({b, b + w, b + 1});
                tris.push_back({b + 1, b + w, b + w + 1});
            }
        // Faces near the facing threshold for a viewer at object-space
        // (0, 0, 60): a triangle at p0 whose normal n makes the cosine
        // -0.2 (+- a little) with e = viewer - p0.
        std::uniform_real_distribution<double> angle(0.0, 2 * M_PI);
        for (int k = 0; k < extra; ++k) {
            const Vec3 p0(float(std::cos(angle(rng))), float(std::sin(angle(rng))), 0.0f);
            const double ex = -p0.x, ey = -p0.y, ez = 60.0;
            const double len = std::sqrt(ex * ex + ey * ey + ez * ez);
            const double u[3] = {ex / len, ey / len, ez / len};
            double v[3] = {1.0 - u[0] * u[0], -u[0] * u[1], -u[0] * u[2]};  // perpendicular to u
            const double vl = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
            const double c = -0.2 + (k % 3 - 1) * 1e-9 * (k % 7);
            const double s = std::sqrt(1 - c * c);
            const double n[3] = {c * u[0] + s * v[0] / vl, c * u[1] + s * v[1] / vl, c * u[2] + s * v[2] / vl};
            // Two edges perpendicular to n span the face.
            const double a[3] = {v[0] / vl, v[1] / vl, v[2] / vl};
            const double b[3] = {n[1] * a[2] - n[2] * a[1], n[2] * a[0] - n[0] * a[2], n[0] * a[1] - n[1] * a[0]};
            const int base = int(points.size());
            points.push_back(p0);
            points.emplace_back(float(p0.x + a[0]), float(p0.y + a[1]), float(p0.z + a[2]));
            points.emplace_back(float(p0.x + b[0]), float(p0.y + b[1]), float(p0.z + b[2]));
            tris.push_back({base, base + 1, base + 2});
        }
        const int base = int(points.size());
        points.emplace_back(0.0f, 0.0f, 0.0f);
        points.emplace_back(1.0f, 1.0f, 1.0f);
        points.emplace_back(2.0f, 2.0f, 2.0f);   // collinear
        points.emplace_back(0.0f, 0.0f, 80.0f);  // behind the viewer once placed
        tris.push_back({base, base + 1, base + 2});
        tris.push_back({base, base + 1, base + 3});
        tris.push_back({base + 3, base, base + 1});

        mesh->allocate(int32_t(points.size()), int32_t(tris.size()));
        for (size_t i = 0; i < points.size(); ++i)
            mesh->baseVertices[i].position = points[i];
        std::uniform_int_distribution<int> byte(0, 255);
        for (size_t i = 0; i < tris.size(); ++i)
            mesh->faces[i] = Face{{tris[i][0], tris[i][1], tris[i][2]},
                                  {uint8_t(byte(rng)), uint8_t(byte(rng)), uint8_t(byte(rng))}, {}};
        mesh->computeNormals();
    }
};

inline Matrix4 randomWorld(std::mt19937& rng)
{
    std::uniform_real_distribution<float> angle(-7.0f, 7.0f), offset(-30.0f, 30.0f);
    Matrix4 world;
    world.setIdentity();
    world.setRotation(angle(rng), angle(rng), angle(rng));
    world.setTranslation(offset(rng), offset(rng), -60.0f + offset(rng));
    return world;
}

}  // namespace testsupport
