#include "render3d/scene.h"

#include <algorithm>

#include "render3d/scene_node.h"

void Scene::setCamera(Camera* c) { camera = c; }

void Scene::addNode(SceneNode* node)
{
    nodes.insert(node);
    node->scene = this;
}

void Scene::setTarget(uint32_t* pixels, int32_t w, int32_t h)
{
    if (!pixels) {
        target = nullptr;
        width = 0;
        height = 0;
        depthBuffer.reset();
        depthRowsUsed = RowRange{0, 0};
        return;
    }
    target = pixels;
    width = w;
    height = h;
    depthBuffer = std::make_unique_for_overwrite<uint32_t[]>(size_t(w) * size_t(h));
    depthRowsUsed = RowRange{0, h};  // contents undefined until cleared
}

void Scene::render()
{
    // 0xFFFFFFFF is farther than every key a point in front of the viewer gets.
    // Rows outside depthRowsUsed still hold it from an earlier clear.
    if (depthRowsUsed.first < depthRowsUsed.end)
        std::fill_n(depthBuffer.get() + size_t(depthRowsUsed.first) * size_t(width),
                    size_t(depthRowsUsed.end - depthRowsUsed.first) * size_t(width), 0xFFFFFFFFu);
    depthRowsUsed = RowRange{height, 0};
    for (SceneNode* node = nodes.first(); node; node = nodes.next())
        node->render();
}
