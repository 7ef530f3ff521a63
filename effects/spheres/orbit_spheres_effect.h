#pragma once
// The opening 3D scene: a large wobbling sphere with five smaller ones
// circling it, on white, smeared by light streaks that drift near the large
// sphere. Prints its local time once per frame.
#include <cstdint>
#include <memory>

#include "core/effect.h"
#include "effects/spheres/wobble_modifier.h"
#include "render3d/camera.h"
#include "render3d/scene.h"
#include "render3d/scene_node.h"

class OrbitSpheresEffect : public Effect {
public:
    static constexpr int kSatelliteCount = 5;

    std::unique_ptr<Scene> scene;
    std::unique_ptr<SceneNode> satellites[kSatelliteCount];
    std::unique_ptr<WobbleModifier> satelliteWobbles[kSatelliteCount];
    std::unique_ptr<SceneNode> core;
    std::unique_ptr<WobbleModifier> coreWobble;
    std::unique_ptr<Camera> camera;  // the scene borrows it

    OrbitSpheresEffect(int32_t start, int32_t end, int32_t layer);

    void render(Frame& frame, int32_t localMs) override;

    // Sets every node and modifier for local time t; render() does this
    // before drawing.
    void animate(float t);
};
