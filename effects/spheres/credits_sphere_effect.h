#pragma once
// The second 3D scene: one fast-rippling sphere swinging over the tunnel,
// light streaks after 10 s, and from 30 s a dark flash of the credits picture
// subtracted from the frame once every 16 frames.
#include <cstdint>
#include <memory>

#include "core/effect.h"
#include "effects/spheres/wobble_modifier.h"
#include "render3d/camera.h"
#include "render3d/scene.h"
#include "render3d/scene_node.h"

class CreditsSphereEffect : public Effect {
public:
    std::unique_ptr<Scene> scene;
    std::unique_ptr<SceneNode> sphere;
    std::unique_ptr<WobbleModifier> wobble;
    std::unique_ptr<uint32_t[]> creditsPicture;  // 320 x 240, like the framebuffer
    std::unique_ptr<Camera> camera;              // the scene borrows it

    // Loads "data/credits.raw"; throws StartupError when it is missing.
    CreditsSphereEffect(int32_t start, int32_t end, int32_t layer);

    void render(Frame& frame, int32_t localMs) override;

    // Sets the sphere and its wobble for local time t; render() does this
    // before drawing.
    void animate(float t);
};
