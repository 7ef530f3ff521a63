#include "render3d/mesh.h"

#include <cmath>
#include <cstring>

#include "render3d/camera.h"
#include "render3d/face_kernels.h"
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
    projected.assign(size_t(vertexTotal), ScreenVertex{0, 0, 0});
    projectedValid.assign(size_t(vertexTotal), 0);
    drawList.assign(size_t(faceTotal), 0);
    drawShade.assign(size_t(faceTotal), 0);
    drawShadeSure.assign(size_t(faceTotal), 0);
    facing.assign(size_t(faceTotal), 0);
}

void Mesh::addModifier(VertexModifier* modifier)
{
    modifiers.insert(modifier);
    modifier->bind(this);
}

void Mesh::computeNormals(const Vec3* facingViewer)
{
    uint8_t* facingOut = facingViewer && facing.size() == size_t(faceCount) ? facing.data() : nullptr;
    const bool withFacing = computeNormalsBatch(vertices, faces.get(), faceCount, facingViewer, facingOut);
    facingVertices = withFacing ? vertices : nullptr;
}

void Mesh::applyModifiers(const Vec3* facingViewer)
{
    vertices = baseVertices.get();
    for (VertexModifier* m = modifiers.first(); m; m = modifiers.next()) {
        m->apply();
        computeNormals(facingViewer);
    }
}

Vec3 Mesh::viewerInObjectSpace() const
{
    const SceneNode& node = *owner;
    const Vec3& eye = node.scene->camera->position;
    const Vec3 d(eye.x - node.position.x, eye.y - node.position.y, eye.z - node.position.z);
    return node.world.inverseRotateVector(d);
}

namespace {

double lengthSquared(const Vec3& v) { return v.x * double(v.x) + v.y * double(v.y) + v.z * double(v.z); }

Vec3 normalised(const Vec3& v)
{
    const double length = std::sqrt(lengthSquared(v));
    return Vec3(float(v.x / length), float(v.y / length), float(v.z / length));
}

bool sameBits(const Vec3& a, const Vec3& b) { return std::memcmp(&a, &b, sizeof(Vec3)) == 0; }

}  // namespace

void Mesh::render()
{
    SceneNode& node = *owner;
    Scene& scene = *node.scene;
    const Vec3 viewer = viewerInObjectSpace();

    // The normals after each modifier come with the facing test.
    facingVertices = nullptr;
    applyModifiers(&viewer);

    const float f = focalLength(scene.width);
    // Every lit face renormalises the light in place. When one normalisation
    // gives a vector that a second leaves unchanged (as for the unit vectors
    // the scenes use), every face sees that same vector and the faces can be
    // worked out in one batch; otherwise they are taken one at a time.
    const Vec3 light = normalised(scene.lightDirection);
    if (!sameBits(normalised(light), light)) {
        drawFacesOneByOne(viewer, f);
        return;
    }
    if (projected.size() != size_t(vertexCount) || drawList.size() != size_t(faceCount)) {
        // Only for a mesh whose tables were not made by allocate().
        projected.resize(size_t(vertexCount));
        projectedValid.resize(size_t(vertexCount));
        drawList.resize(size_t(faceCount));
        drawShade.resize(size_t(faceCount));
        drawShadeSure.resize(size_t(faceCount));
    }

    // A face reaching to or behind the viewer is skipped: it has no sound
    // projection.
    const int32_t projectable = projectVertices(node.world, vertices, vertexCount, scene.width, scene.height, f,
                                                projected.data(), projectedValid.data());
    // When every vertex has a projection the faces need not look them up.
    const uint8_t* valid = projectable == vertexCount ? nullptr : projectedValid.data();
    // The facing flags stand only if the last computeNormals worked on the
    // vertices drawn now.
    const int32_t drawn = facingVertices == vertices
                              ? listFacingFaces(facing.data(), faces.get(), faceCount, valid, drawList.data())
                              : selectFaces(vertices, faces.get(), faceCount, viewer, valid, drawList.data());
    if (drawn == 0)
        return;
    const double ll = lengthSquared(light);
    shadeFaces(faces.get(), drawList.data(), drawn, node.world, light, ll, drawShade.data(), drawShadeSure.data());

    scene.lightDirection = light;  // what lighting the first face leaves behind
    for (int32_t k = 0; k < drawn; ++k) {
        const Face& face = faces[drawList[size_t(k)]];
        ScreenVertex screen[3] = {projected[size_t(face.indices[0])], projected[size_t(face.indices[1])],
                                  projected[size_t(face.indices[2])]};
        const uint8_t shade = drawShadeSure[size_t(k)]
                                  ? drawShade[size_t(k)]
                                  : shadeFromCosine(shadeCosine(node.world.rotateVector(face.normal), light, ll));
        drawTriangle(scene.target, scene.width, scene.height, screen, litColor(face.color, shade),
                     scene.depthBuffer.get(), &scene.depthRowsUsed);
    }
}

void Mesh::drawFacesOneByOne(const Vec3& viewer, float f)
{
    SceneNode& node = *owner;
    Scene& scene = *node.scene;
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
        const uint32_t color = litColor(face.color, shadeFace(scene.lightDirection, m));
        drawTriangle(scene.target, scene.width, scene.height, screen, color, scene.depthBuffer.get(),
                     &scene.depthRowsUsed);
    }
}
