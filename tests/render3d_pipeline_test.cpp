// The facing test and small scenes drawn through the pipeline: the cases the
// golden frames do not reach (faces behind the viewer, NaN normals, modifiers).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <vector>

#include "render3d/camera.h"
#include "render3d/pipeline.h"
#include "render3d/scene.h"
#include "render3d/scene_node.h"

namespace {

constexpr int kW = 320;
constexpr int kH = 240;
constexpr uint32_t kBackground = 0x00404040;
constexpr uint32_t kLitWhite = 0x00FDFDFD;  // 255 * 254 >> 8 in every channel

TEST(Pipeline, FacingTestPassesUpToAboutHundredDegreesAndFailsOnNaN)
{
    const Vec3 eye(0, 0, 0), p0(0, 0, -10);
    const auto turned = [](double degrees) {
        const double a = degrees * M_PI / 180.0;
        return Vec3(float(std::sin(a)), 0.0f, float(std::cos(a)));
    };
    EXPECT_TRUE(facesViewer(turned(101), p0, eye));
    EXPECT_FALSE(facesViewer(turned(102), p0, eye));
    EXPECT_FALSE(facesViewer(Vec3(NAN, NAN, NAN), p0, eye));
    EXPECT_FALSE(facesViewer(turned(0), eye, eye));  // viewer on the first vertex
}

// A scene drawing into its own buffer, with nodes built from squares of side 2
// in their z = 0 plane, wound to face +z (the viewer).
struct TestScene {
    std::vector<uint32_t> pixels = std::vector<uint32_t>(kW * kH, kBackground);
    Camera camera{Vec3(0, 0, 0)};
    Scene scene;
    std::vector<std::unique_ptr<SceneNode>> nodes;

    TestScene()
    {
        scene.setCamera(&camera);
        scene.setTarget(pixels.data(), kW, kH);
    }
    SceneNode* add(std::vector<Vec3> points, std::vector<std::array<int, 3>> tris, uint8_t grey, Vec3 at)
    {
        auto mesh = std::make_unique<Mesh>();
        mesh->allocate(int32_t(points.size()), int32_t(tris.size()));
        for (size_t i = 0; i < points.size(); ++i)
            mesh->baseVertices[i].position = points[i];
        for (size_t i = 0; i < tris.size(); ++i)
            mesh->faces[i] = Face{{tris[i][0], tris[i][1], tris[i][2]}, {grey, grey, grey}, {}};
        auto node = std::make_unique<SceneNode>();
        node->attachMesh(std::move(mesh));
        node->setPosition(at.x, at.y, at.z);
        scene.addNode(node.get());
        nodes.push_back(std::move(node));
        return nodes.back().get();
    }
    SceneNode* square(uint8_t grey, Vec3 at)
    {
        return add({{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}}, {{0, 1, 2}, {0, 2, 3}}, grey, at);
    }
    long count(uint32_t c) const { return std::count(pixels.begin(), pixels.end(), c); }
    uint32_t at(int x, int y) const { return pixels[y * kW + x]; }
};

TEST(Pipeline, NormalsFollowTheWindingAndCollinearFacesAreNeverDrawn)
{
    TestScene t;
    SceneNode* node = t.add({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {2, 0, 0}}, {{0, 1, 2}, {0, 2, 1}, {0, 1, 3}}, 255,
                            Vec3(0, 0, -10));
    const Face* faces = node->mesh->faces.get();
    EXPECT_EQ(faces[0].normal.z, 1.0f);
    EXPECT_EQ(faces[1].normal.z, -1.0f);
    EXPECT_TRUE(std::isnan(faces[2].normal.x));

    // A face reaching behind the viewer is skipped rather than projected
    // through the eye; only the first face shows.
    t.add({{-1, -1, 0}, {1, -1, 0}, {0, 1, 12}}, {{0, 1, 2}}, 255, Vec3(0, 0, -10));
    t.scene.render();
    EXPECT_EQ(t.count(kLitWhite), 136);  // rows 120 ... 135, widths 16 ... 1
}

// Only the depth rows a frame drew into are cleared for the next, down to a
// frame that drew into a single row.
TEST(Pipeline, TheNextFrameSeesNoDepthOfTheLast)
{
    TestScene t;
    SceneNode* speck = t.add({{-0.01f, -0.003f, 0}, {0.01f, -0.003f, 0}, {0.01f, 0.003f, 0}, {-0.01f, 0.003f, 0}},
                             {{0, 1, 2}, {0, 2, 3}}, 255, Vec3(0, 0, -5));
    SceneNode* wall = t.square(128, Vec3(100, 0, -10));  // off the screen at first
    t.scene.render();
    ASSERT_GT(t.count(kLitWhite), 0);
    speck->setPosition(100, 0, -5);
    wall->setPosition(0, 0, -10);
    t.scene.render();
    EXPECT_EQ(t.count(kLitWhite), 0);
}

// Shifts every vertex along x, to check the modifier contract.
struct ShiftModifier : VertexModifier {
    float dx;
    explicit ShiftModifier(float dx) : dx(dx) {}
    void apply() override
    {
        for (int32_t i = 0; i < mesh->vertexCount; ++i) {
            const Vec3& p = mesh->vertices[i].position;
            output[i].position = Vec3(p.x + dx, p.y, p.z);
        }
        mesh->vertices = output.get();
        mesh->computeNormals();
    }
};

TEST(Pipeline, ModifiersChainFromTheBaseVerticesEveryFrame)
{
    TestScene t;
    Mesh& mesh = *t.square(255, Vec3(0, 0, -10))->mesh;
    ShiftModifier older(2.0f), newer(3.0f);
    older.bind(nullptr);
    EXPECT_EQ(older.output, nullptr);
    mesh.addModifier(&older);
    mesh.addModifier(&newer);
    EXPECT_EQ(older.mesh, &mesh);

    for (int frame = 0; frame < 3; ++frame)
        t.scene.render();
    // newer ran on the base, older on newer's output; no frame builds on the last.
    EXPECT_EQ(mesh.vertices, older.output.get());
    EXPECT_EQ(mesh.vertices[0].position.x, 4.0f);
    EXPECT_EQ(mesh.baseVertices[0].position.x, -1.0f);
    EXPECT_EQ(t.at(224, 120), kLitWhite);  // x from 4 to 6 at z = -10
    EXPECT_EQ(t.at(223, 120), kBackground);

    t.scene.setTarget(nullptr, kW, kH);
    EXPECT_EQ(t.scene.depthBuffer, nullptr);
    EXPECT_EQ(t.scene.width, 0);
}

}  // namespace
