#include "render3d/scene_node.h"

SceneNode::SceneNode()
{
    rotation.setIdentity();
    world.setIdentity();
}

void SceneNode::attachMesh(std::unique_ptr<Mesh> attached)
{
    attached->owner = this;
    mesh = std::move(attached);
    mesh->computeNormals();
}

void SceneNode::setPosition(float x, float y, float z) { position = Vec3(x, y, z); }

void SceneNode::setRotation(float ax, float ay, float az) { rotation.setRotation(ax, ay, az); }

void SceneNode::render()
{
    world.setIdentity();
    world.multiply(rotation, world);
    world.setTranslation(position.x, position.y, position.z);
    mesh->render();
}
