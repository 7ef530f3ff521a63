#pragma once
// A renderable scene: the nodes, the camera, and the target image with its
// depth buffer. The scene borrows its nodes, camera and target.
#include <cstdint>
#include <memory>

#include "core/ptr_list.h"
#include "render3d/rasterizer.h"
#include "render3d/vector_math.h"

class Camera;
class SceneNode;

class Scene {
public:
    Camera* camera = nullptr;
    PtrList<SceneNode> nodes;  // newest first
    uint32_t* target = nullptr;  // 0x00RRGGBB pixels, width x height, not owned
    std::unique_ptr<uint32_t[]> depthBuffer;  // width x height unsigned keys
    int32_t width = 0;
    int32_t height = 0;
    // The rows of depthBuffer that may hold keys other than 0xFFFFFFFF: all of
    // them after setTarget, then those the last render drew into. Only render
    // writes the depth buffer (through the rasterizer, which reports the rows
    // here), so clearing these rows leaves it exactly as a full clear would.
    RowRange depthRowsUsed{0, 0};
    // The direction the light travels, in world coordinates. Lighting a face
    // renormalises it in place (a unit vector stays as it is).
    Vec3 lightDirection{0.0f, 0.0f, -1.0f};

    Scene() = default;
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    void setCamera(Camera* camera);
    // Puts the node at the head of `nodes` and makes this its scene.
    void addNode(SceneNode* node);
    // With pixels: draws into them from now on, with a new depth buffer (any
    // earlier one is released). With null: no target, no depth buffer, 0 x 0.
    void setTarget(uint32_t* pixels, int32_t width, int32_t height);

    // Clears the depth buffer (the rows in depthRowsUsed) and draws every node, newest first. The colour
    // target is not cleared. Needs a camera, a target and a mesh on every node.
    void render();
};
