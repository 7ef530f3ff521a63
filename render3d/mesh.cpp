#include "render3d/mesh.h"

#include <cmath>

#include "render3d/camera.h"
#include "render3d/pipeline.h"
#include "render3d/scene.h"
#include "render3d/scene_node.h"

void VertexModifier::bind(Mesh* target)
{
    if (!target)
        return;
    mesh = target;
    output = std::make_unique_for_overwrite<Vertex[]>(size_t(target->vertexCount));
}

void Mesh::allocate(int32_t vertexTotal, int32_t faceTotal)
{
    vertexCount = vertexTotal;
    faceCount = faceTotal;
    baseVertices = std::make_unique_for_overwrite<Vertex[]>(size_t(vertexTotal));
    faces = std::make_unique_for_overwrite<Face[]>(size_t(faceTotal));
    vertices = baseVertices.get();
}

void Mesh::addModifier(VertexModifier* modifier)
{
    modifiers.insert(modifier);
    modifier->bind(this);
}

void Mesh::computeNormals()
{
    for (int32_t i = 0; i < faceCount; ++i) {
        Face& face = faces[i];
        const Vec3& p0 = vertices[face.indices[0]].position;
        const Vec3& p1 = vertices[face.indices[1]].position;
        const Vec3& p2 = vertices[face.indices[2]].position;
        // The edge vectors are float values; the cross product and its length
        // are carried in double. N = (P1 - P0) x (P2 - P0).
        const float ax = p0.x - p1.x, ay = p0.y - p1.y, az = p0.z - p1.z;
        const float bx = p0.x - p2.x, by = p0.y - p2.y, bz = p0.z - p2.z;
        const double nx = double(ay) * bz - double(az) * by;
        const double ny = double(az) * bx - double(ax) * bz;
        const double nz = double(ax) * by - double(ay) * bx;
        const double s = 1.0 / std::sqrt(nx * nx + ny * ny + nz * nz);
        face.normal = Vec3(float(nx * s), float(ny * s), float(nz * s));
    }
}

void Mesh::render()
{
    SceneNode& node = *owner;
    Scene& scene = *node.scene;

    // The viewer in object space, for the facing test.
    const Vec3& eye = scene.camera->position;
    const Vec3 d(eye.x - node.position.x, eye.y - node.position.y, eye.z - node.position.z);
    const Vec3 viewer = node.world.inverseRotateVector(d);

    vertices = baseVertices.get();
    for (VertexModifier* m = modifiers.first(); m; m = modifiers.next())
        m->apply();

    const float f = focalLength(scene.width);
    for (int32_t i = 0; i < faceCount; ++i) {
        const Face& face = faces[i];
        if (!facesViewer(face.normal, vertices[face.indices[0]].position, viewer))
            continue;

        // Every vertex is transformed afresh for every face that uses it. A
        // face reaching to or behind the viewer is skipped: it has no sound
        // projection.
        ScreenVertex screen[3];
        bool visible = true;
        for (int k = 0; k < 3 && visible; ++k) {
            const Vec3 w = node.world.transformPoint(vertices[face.indices[k]].position);
            visible = projectPoint(w, scene.width, scene.height, f, screen[k]);
        }
        if (!visible)
            continue;

        const Vec3 m = node.world.rotateVector(face.normal);
        const uint32_t color = litColor(face.color, shadeFace(m));
        drawTriangle(scene.target, scene.width, scene.height, screen, color,
                     scene.depthBuffer.get());
    }
}
