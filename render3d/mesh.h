#pragma once
// Triangle meshes with flat-coloured faces, and the per-frame deformers that
// can be stacked on them.
#include <cstdint>
#include <memory>
#include <vector>

#include "core/ptr_list.h"
#include "render3d/rasterizer.h"
#include "render3d/vector_math.h"

class SceneNode;
class Mesh;

// One mesh vertex in object space. Tables of vertices are left uninitialised:
// their builder writes every position.
struct Vertex {
    Vec3 position;
};

// One triangle. The builder writes `indices` and `color`; `normal` is written
// by Mesh::computeNormals.
struct Face {
    int32_t indices[3];
    uint8_t color[3];  // red, green, blue
    Vec3 normal;       // unit normal in object space
};

// A per-frame deformer of one mesh. Each apply() reads the mesh's current
// `vertices`, writes the deformed positions into `output` and makes `output`
// the mesh's current vertices, so modifiers chain; the mesh recomputes the
// face normals after each (Mesh::applyModifiers).
class VertexModifier {
public:
    Mesh* mesh = nullptr;
    std::unique_ptr<Vertex[]> output;  // one entry per vertex of `mesh`

    VertexModifier() = default;
    virtual ~VertexModifier() = default;
    VertexModifier(const VertexModifier&) = delete;
    VertexModifier& operator=(const VertexModifier&) = delete;

    // Attaches the modifier to a mesh and allocates its output table; does
    // nothing when given no mesh.
    void bind(Mesh* mesh);

    virtual void apply() = 0;
};

class Mesh {
public:
    SceneNode* owner = nullptr;           // set by SceneNode::attachMesh
    PtrList<VertexModifier> modifiers;    // newest first; borrowed
    int32_t vertexCount = 0;
    std::unique_ptr<Vertex[]> baseVertices;  // as built; modifiers never change them
    Vertex* vertices = nullptr;           // baseVertices, or the last modifier's output
    int32_t faceCount = 0;
    std::unique_ptr<Face[]> faces;

    // Working tables of render(), sized by allocate(): each vertex projected
    // once (rather than once per face that uses it), the faces to draw, and
    // their shades, each worked out in one batch.
    std::vector<ScreenVertex> projected;
    std::vector<uint8_t> projectedValid;
    std::vector<int32_t> drawList;
    std::vector<uint8_t> drawShade;
    std::vector<uint8_t> drawShadeSure;
    // The facing test worked out with the normals where a kernel can:
    // computeNormals given a viewer fills `facing`, and `facingVertices` names
    // the vertex table it was worked out for (null when it was not).
    std::vector<uint8_t> facing;
    const Vertex* facingVertices = nullptr;

    Mesh() = default;
    Mesh(const Mesh&) = delete;
    Mesh& operator=(const Mesh&) = delete;

    // Allocates both tables (contents uninitialised), sets the counts and
    // makes the base table current.
    void allocate(int32_t vertexCount, int32_t faceCount);

    // Puts the modifier at the head of `modifiers` and binds it to this mesh.
    void addModifier(VertexModifier* modifier);

    // Recomputes every face normal from the current `vertices`. A degenerate
    // face gets a NaN normal, which the facing test never passes. Given a
    // viewer (in object space), also works out the facing test for it where
    // the kernel can (see `facing`).
    void computeNormals(const Vec3* facingViewer = nullptr);

    // Starts from the base vertices and runs each modifier in turn, the
    // normals recomputed after each (with the facing test for facingViewer,
    // when given).
    void applyModifiers(const Vec3* facingViewer = nullptr);

    // Runs the modifiers and draws every face that faces the viewer into the
    // owner's scene. Called by SceneNode::render once the world matrix is set.
    void render();

    // The faces drawn the plain way, one at a time: each vertex transformed
    // and projected afresh for every face, and the light renormalised before
    // every lit face. render() takes this way when the light is not stable
    // under renormalisation, and gives its bytes otherwise.
    void drawFacesOneByOne(const Vec3& viewer, float f);
    // The camera's position relative to the owner, in object space.
    Vec3 viewerInObjectSpace() const;
};
