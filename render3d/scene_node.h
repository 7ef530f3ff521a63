#pragma once
// One object of a scene: a mesh placed in the world by a rotation and a
// position. The graph is flat: nodes have no children.
#include <memory>

#include "render3d/mesh.h"
#include "render3d/vector_math.h"

class Scene;

class SceneNode {
public:
    Scene* scene = nullptr;       // set by Scene::addNode
    Vec3 position{0.0f, 0.0f, 0.0f};
    std::unique_ptr<Mesh> mesh;   // owned
    Matrix4 rotation;             // only the upper 3x3 changes after construction
    Matrix4 world;                // rebuilt from rotation and position every frame

    SceneNode();
    SceneNode(const SceneNode&) = delete;
    SceneNode& operator=(const SceneNode&) = delete;

    // Takes ownership of the mesh, makes this node its owner and computes its
    // face normals.
    void attachMesh(std::unique_ptr<Mesh> mesh);
    void setPosition(float x, float y, float z);
    // Turn about X by ax, then Y by ay, then Z by az (radians).
    void setRotation(float ax, float ay, float az);

    // Rebuilds `world` (rotation with the position as its translation row)
    // and draws the mesh.
    void render();
};
