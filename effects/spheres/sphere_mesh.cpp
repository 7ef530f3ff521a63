#include "effects/spheres/sphere_mesh.h"

#include <cmath>

std::unique_ptr<SceneNode> makeSphereNode(int32_t radius, int32_t halfSteps)
{
    auto node = std::make_unique<SceneNode>();
    auto mesh = std::make_unique<Mesh>();
    const int32_t n = halfSteps;
    const int32_t w = 2 * n + 1;  // vertices per ring; the last meridian repeats the first
    mesh->allocate(w * w, 2 * (2 * n) * (2 * n));

    // Angle steps in single precision: rings span 0 ... pi, meridians 0 ... 2 pi.
    constexpr float kPi = 3.1415927f;
    const float ringStep = kPi / float(2 * n);
    const float meridianStep = kPi / float(n);

    const double r = radius;
    for (int32_t i = 0; i < w; ++i) {
        const double theta = i * double(ringStep);
        for (int32_t j = 0; j < w; ++j) {
            const double phi = j * double(meridianStep);
            // y runs through the poles: ring 0 at +R, ring 2n at -R.
            mesh->baseVertices[i * w + j].position =
                Vec3(float(r * std::sin(theta) * std::sin(phi)), float(r * std::cos(theta)),
                     float(r * std::sin(theta) * std::cos(phi)));
        }
    }

    Face* face = mesh->faces.get();
    for (int32_t ring = 0; ring < 2 * n; ++ring) {
        const double s = std::sin(0.1 * ring);
        const uint8_t green = uint8_t(int32_t(255.0 - 223.0 * s));
        const uint8_t blue = uint8_t(int32_t(255.0 - 127.0 * s));
        for (int32_t c = 0; c < 2 * n; ++c) {
            const int32_t base = ring * w + c;
            const int32_t cells[2][3] = {{base, base + w, base + 1},
                                         {base + 1, base + w, base + w + 1}};
            for (const auto& cell : cells) {
                face->indices[0] = cell[0];
                face->indices[1] = cell[1];
                face->indices[2] = cell[2];
                face->color[0] = 0;
                face->color[1] = green;
                face->color[2] = blue;
                ++face;
            }
        }
    }

    node->attachMesh(std::move(mesh));
    node->setPosition(0.0f, 0.0f, -18.0f);
    return node;
}

void drawInto(Scene& scene, Frame& frame)
{
    if (scene.target != frame.framebuffer)
        scene.setTarget(frame.framebuffer, kFrameWidth, kFrameHeight);
}
