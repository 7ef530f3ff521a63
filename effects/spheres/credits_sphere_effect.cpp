#include "effects/spheres/credits_sphere_effect.h"

#include <cmath>
#include <string>

#include "core/data_path.h"
#include "core/startup_error.h"
#include "effects/streaks/light_streaks.h"
#include "effects/spheres/sphere_mesh.h"
#include "pixel/blend.h"
#include "pixel/raw_image.h"

namespace {

constexpr int32_t kStreaksAfterMs = 10000;
constexpr int32_t kFlashesAfterMs = 30000;

}  // namespace

CreditsSphereEffect::CreditsSphereEffect(int32_t start, int32_t end, int32_t layer)
    : Effect(start, end, layer), scene(std::make_unique<Scene>())
{
    sphere = makeSphereNode(10, 16);
    wobble = std::make_unique<WobbleModifier>(300);
    sphere->mesh->addModifier(wobble.get());
    wobble->prepare();
    scene->addNode(sphere.get());

    const std::string path = dataPath("credits.raw");
    creditsPicture = loadRawRgb(path.c_str(), kFrameWidth, kFrameHeight);
    if (!creditsPicture)
        throw StartupError(ErrorShown::standardOutput, "could not open " + path);

    camera = std::make_unique<Camera>(Vec3(0.0f, 0.0f, 0.0f));
    scene->setCamera(camera.get());
}

void CreditsSphereEffect::animate(float t)
{
    const double td = t;
    const float swing = float(std::sin(0.01 * td));
    // A diagonal swing through the middle of the view, period about 628 ms.
    sphere->setPosition(float(5.0 * swing), float(4.0 * swing), -40.0f);
    sphere->setRotation(float(0.002 * td), float(0.0023 * td), float(0.003 * td));
    wobble->phase = float(0.007 * td);
    wobble->amplitude = float((std::sin(0.001 * td) + 2.0) * 0.1);
}

void CreditsSphereEffect::render(Frame& frame, int32_t localMs)
{
    drawInto(*scene, frame);
    const float t = float(localMs);
    animate(t);
    scene->render();

    if (localMs > kStreaksAfterMs) {
        const double td = t;
        const double swing = float(std::sin(0.01 * td));
        const int32_t centreX = int32_t(160.0 + 30.0 * std::sin(0.012 * td));
        const int32_t centreY = int32_t(120.0 + 30.0 * swing);
        const int32_t strength = int32_t((std::sin(0.025 * td) + 1.0) * 512.0);
        applyLightStreaks(frame.framebuffer, centreX, centreY, strength);
    }

    // The frame loop counts frames up; a flash resets the count, so once
    // flashing, every 16th frame shows the picture subtracted.
    if (localMs > kFlashesAfterMs && (frame.frameCounter & 0xF0) != 0) {
        subtractPixels(frame.framebuffer, creditsPicture.get(), kFramePixels);
        frame.frameCounter = 0;
    }
}
