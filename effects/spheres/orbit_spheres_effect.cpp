#include "effects/spheres/orbit_spheres_effect.h"

#include <cmath>
#include <cstdio>

#include "core/frame.h"
#include "effects/streaks/light_streaks.h"
#include "effects/spheres/sphere_mesh.h"

OrbitSpheresEffect::OrbitSpheresEffect(int32_t start, int32_t end, int32_t layer)
    : Effect(start, end, layer), scene(std::make_unique<Scene>())
{
    core = makeSphereNode(7, 16);
    coreWobble = std::make_unique<WobbleModifier>(3);
    core->mesh->addModifier(coreWobble.get());
    coreWobble->prepare();
    scene->addNode(core.get());

    for (int i = 0; i < kSatelliteCount; ++i) {
        satellites[i] = makeSphereNode(5, 16);
        satelliteWobbles[i] = std::make_unique<WobbleModifier>(5);
        satellites[i]->mesh->addModifier(satelliteWobbles[i].get());
        satelliteWobbles[i]->prepare();
        scene->addNode(satellites[i].get());
    }

    camera = std::make_unique<Camera>(Vec3(0.0f, 0.0f, 0.0f));
    scene->setCamera(camera.get());
}

void OrbitSpheresEffect::animate(float t)
{
    // Every animated value is a float formed from t in double precision.
    const double td = t;
    const float amplitude = float((std::sin(0.001 * td) + 2.0) * 0.06);

    core->setPosition(35.0f, -22.0f, -70.0f);
    core->setRotation(float(0.002 * td), float(0.0023 * td), float(0.003 * td));
    coreWobble->phase = float(0.007 * td);
    coreWobble->amplitude = amplitude;

    // Single-precision pi/5: the five satellites sit 72 degrees apart on a
    // circle of radius 20 about the core.
    constexpr float kFifthPi = 0.62831855f;
    for (int i = 0; i < kSatelliteCount; ++i) {
        const float orbit = float(0.001 * td + 2 * i * double(kFifthPi));
        satellites[i]->setPosition(float(35.0 + 20.0 * std::cos(double(orbit))),
                                   float(-22.0 + 20.0 * std::sin(double(orbit))), -70.0f);
        satellites[i]->setRotation(float(0.002 * td + 3 * i), float(0.0023 * td - i),
                                   float(0.003 * td + i * i));
        satelliteWobbles[i]->phase = float(0.005 * td + i);
        satelliteWobbles[i]->amplitude = amplitude;
    }
}

void OrbitSpheresEffect::render(Frame& frame, int32_t localMs)
{
    drawInto(*scene, frame);
    std::printf("sphere... %u\n", uint32_t(localMs));

    const float t = float(localMs);
    animate(t);

    for (uint32_t& pixel : frame.framebuffer)
        pixel = 0xFFFFFFFFu;
    scene->render();

    // The streak centre drifts along a diagonal through (235, 65), near where
    // the core is drawn (about (240, 69)).
    const double td = t;
    const int32_t centreX = int32_t(235.0 + 30.0 * std::sin(0.001 * td));
    const int32_t centreY = int32_t(65.0 + 30.0 * std::sin(0.001 * td));
    const int32_t strength = int32_t((std::sin(0.0025 * td) + 1.0) * 256.0);
    applyLightStreaks(frame.framebuffer, centreX, centreY, strength);
}
