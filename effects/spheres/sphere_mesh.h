#pragma once
// The sphere both 3D scenes are made of: a latitude-longitude grid of
// (2n + 1) x (2n + 1) vertices and 2 (2n)^2 triangles, coloured in bands from
// cyan at the poles to deep blue at the equator.
#include <cstdint>
#include <memory>

#include "core/frame.h"
#include "render3d/scene.h"
#include "render3d/scene_node.h"

// A node at (0, 0, -18) owning a sphere mesh of the given radius with
// halfSteps rings from the pole to the equator. Its normals are computed.
std::unique_ptr<SceneNode> makeSphereNode(int32_t radius, int32_t halfSteps);

// Makes the frame's pixels the scene's target. The depth buffer is made on
// the first call only: a run draws into one frame throughout.
void drawInto(Scene& scene, Frame& frame);
